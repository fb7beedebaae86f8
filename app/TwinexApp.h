// The application object: starts the program with its document, main window and view.
#pragma once

#include <QApplication>

#include <memory>

class CMainFrame;
class CTwinexDoc;

class CTwinexApp : public QApplication {
    Q_OBJECT
public:
    CTwinexApp(int& argc, char** argv);
    ~CTwinexApp() override;

    // Creates the empty document, the main window and its view, and shows the window.
    // false: the program ends at once.
    bool InitInstance();
    // Help > About: the About box, modal over the main window. Invokable, so that the frame
    // reaches it by name without depending on the application object.
    Q_INVOKABLE void OnAppAbout();

    CMainFrame* GetMainFrame() const { return m_pMainWnd.get(); }

private:
    std::unique_ptr<CTwinexDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pMainWnd;
};
