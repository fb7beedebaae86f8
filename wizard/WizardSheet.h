// The wizard frame and the base of its pages: page activation, Cancel answered by the
// current page, and the Back / Next / Finish states each page asks for.
#pragma once

#include <QString>
#include <QWizard>
#include <QWizardPage>

class IWizardHost;
class IPrompt;
class CWizardSheet;

// Button states a page asks for.
enum EWizardButtons : int {
    PSWIZB_BACK = 0x1,
    PSWIZB_NEXT = 0x2,
    PSWIZB_FINISH = 0x4,
    PSWIZB_DISABLEDFINISH = 0x8,
};

class CWizardPage : public QWizardPage {
    Q_OBJECT
public:
    CWizardPage(IWizardHost& host, const QString& strCaption, QWidget* pParent = nullptr);

    // Every time the page becomes current, also when it is reached with Back.
    virtual void OnSetActive() {}
    // Cancel or the window's close box; true lets the wizard close.
    virtual bool OnQueryCancel() { return true; }

    const QString& GetCaption() const { return m_strCaption; }
    IWizardHost& GetHost() const { return m_host; }
    // The wizard the page is in, or null before it was added.
    CWizardSheet* GetSheet() const;

protected:
    // Asks the wizard for the given PSWIZB_ buttons.
    void SetWizardButtons(int nFlags);

    IWizardHost& m_host;

private:
    QString m_strCaption;
};

// "Quit Search Duplicates Wizard." question shared by the folder and criteria pages.
bool QueryQuitWizard(IPrompt& prompt);

class CWizardSheet : public QWizard {
    Q_OBJECT
public:
    explicit CWizardSheet(QWidget* pParent = nullptr);

    // Applies PSWIZB_ flags to the Back, Next and Finish buttons.
    void ApplyWizardButtons(int nFlags);
    // Sizes the frame for the largest page; call once the pages are added.
    void FitPages();
    // Closes without asking the current page (the main window is going away).
    void ForceClose();

    void reject() override;

private:
    void OnCurrentIdChanged(int nId);

    bool m_bForceClose = false;
};
