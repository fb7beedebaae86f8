// Every question or message the program shows goes through this interface, so that tests
// can answer without a modal loop.
#pragma once

#include <QString>

class QWidget;

class IPrompt {
public:
    enum EIcon { ICON_INFORMATION, ICON_WARNING, ICON_ERROR, ICON_QUESTION };
    virtual ~IPrompt() = default;
    // A Yes/No question; only Yes returns true.
    virtual bool AskYesNo(const QString& strText, const QString& strCaption,
                          EIcon nIcon = ICON_QUESTION) = 0;
    // A message with an OK button.
    virtual void Tell(const QString& strText, const QString& strCaption,
                      EIcon nIcon = ICON_INFORMATION) = 0;
};

// The real one: QMessageBox over the given parent window.
class CMessageBoxPrompt : public IPrompt {
public:
    explicit CMessageBoxPrompt(QWidget* pParent = nullptr) : m_pParent(pParent) {}
    void SetParent(QWidget* pParent) { m_pParent = pParent; }
    bool AskYesNo(const QString& strText, const QString& strCaption, EIcon nIcon) override;
    void Tell(const QString& strText, const QString& strCaption, EIcon nIcon) override;

private:
    QWidget* m_pParent;
};
