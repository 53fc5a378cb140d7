#pragma once
// The application: start-up, the document template and the application-level commands.
#include "framework/WinApp.h"

#include <QStringList>

// What the command line asks for.
struct SCommandLineInfo {
    enum EShellCommand { FileNew, FileOpen, FilePrint, FileNothing };
    EShellCommand m_nShellCommand = FileNew;
    bool m_bShowSplash = true;
    QString m_strFileName;

    // Switches start with '-' ("-nologo", "--nologo", "-p"); the first other argument is the file.
    void Parse(const QStringList& args);
};

class CLumivoApp : public CWinApp {
public:
    CLumivoApp();
    ~CLumivoApp() override;

    // Start-up in the program's order; false ends the program with ExitCode(). args exclude the
    // program name.
    bool InitInstance(const QStringList& args);
    // 0 after printing from the command line, 1 when start-up failed.
    int ExitCode() const { return m_nExitCode; }

private:
    void OnAppAbout();
    void OnFileNew();
    void OnFilePrintSetup();
    void OnCloseAll();

    int m_nExitCode = 1;
};
