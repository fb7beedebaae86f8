// Step 2: how files of equal size are compared, over how much of each file, and whether
// pairs are also listed the other way round.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "WizardSheet.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class CSpinButtonCtrl;

class CPage2Dlg : public CWizardPage {
    Q_OBJECT
public:
    explicit CPage2Dlg(IWizardHost& host, QWidget* pParent = nullptr);

    void OnSetActive() override;
    bool OnQueryCancel() override;
    bool validatePage() override;  // leaving by Next
    void cleanupPage() override;   // leaving by Back

    // Members to controls (bSave false) or controls to members (bSave true).
    void UpdateData(bool bSave);
    // The partial-compare text as the matching worker reads it: the first line, at most
    // 20 characters.
    std::string GetPartialText() const;
    // The smallest size of a file to compare, in bytes: the KB field times 1024.
    std::uint64_t GetMinSizeBytes() const;
    // Whether the search may use and update the checksum cache.
    bool GetUseCache() const;

    CSpinButtonCtrl* m_spinPartial = nullptr;
    QLineEdit* m_editPartial = nullptr;
    int m_nCriterion = 2;  // EMatchCriterion; CRC32
    int m_bReflect = 1;
    std::array<QRadioButton*, 4> m_radioCriterion{};
    QCheckBox* m_btnReflect = nullptr;
    QSpinBox* m_spinMinSize = nullptr;  // kilobytes; 0 compares every file
    QCheckBox* m_btnUseCache = nullptr;  // what was read is kept for the next search

private:
    bool m_bFirstActive = true;
};
