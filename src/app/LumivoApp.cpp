#include "app/LumivoApp.h"

#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/SplashWnd.h"
#include "commands/ProcessingCommands.h"
#include "document/LumivoDoc.h"
#include "document/LumivoView.h"
#include "framework/DocTemplate.h"
#include "res/CommandIds.h"
#include "res/LumivoResources.h"
#include "ui/AboutDlg.h"

#include <QPageSetupDialog>

void SCommandLineInfo::Parse(const QStringList& args)
{
    for (const QString& strArg : args) {
        if (strArg.startsWith(QLatin1Char('-')) && strArg.size() > 1) {
            QString strFlag = strArg.mid(strArg.startsWith(QLatin1String("--")) ? 2 : 1).toLower();
            if (strFlag == QLatin1String("nologo"))
                m_bShowSplash = false;
            else if (strFlag == QLatin1String("p"))
                m_nShellCommand = FilePrint;
            continue;
        }
        if (m_strFileName.isEmpty()) {
            m_strFileName = strArg;
            if (m_nShellCommand != FilePrint)
                m_nShellCommand = FileOpen;
        }
    }
}

CLumivoApp::CLumivoApp() : CWinApp(LumivoResources())
{
    Q_INIT_RESOURCE(lumivo); // icons live in the static user-interface library
    OnCommand(
        ID_WINDOW_CLOSE_ALL, [this] { OnCloseAll(); }, [](CCmdUI& ui) { ui.Enable(); });
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
}

CLumivoApp::~CLumivoApp() = default;

bool CLumivoApp::InitInstance(const QStringList& args)
{
    // 1. The first reading of the command line decides whether the splash may show.
    SCommandLineInfo splashInfo;
    splashInfo.Parse(args);
    CSplashWnd::EnableSplashScreen(splashInfo.m_bShowSplash);

    // 2-4. Settings under "Lumivo", with a recent-file list of five.
    SetRegistryKey(QStringLiteral("Lumivo"));
    LoadStdProfileSettings(5);

    // 5. The one document template: image document, child frame, image view.
    m_pDocTemplate = new CDocTemplate(
        LoadString(IDR_LUMIVOTYPE), {[] {
                                         auto* pDoc = new CLumivoDoc;
                                         AddProcessingCommands(*pDoc);
                                         return pDoc;
                                     },
                                     [] { return new CChildFrame; },
                                     [](CDocument* pDoc) { return new CLumivoView(static_cast<CLumivoDoc*>(pDoc)); }});

    // 6-7. The main frame.
    auto* pMainFrame = new CMainFrame;
    pMainFrame->LoadFrame();
    m_pMainWnd = pMainFrame;
    m_pDocTemplate->SetMdiArea(pMainFrame->GetMDIClient());

    // 8-9. Without any argument nothing opens; a switch alone gives a new document.
    SCommandLineInfo cmdInfo;
    if (args.isEmpty())
        cmdInfo.m_nShellCommand = SCommandLineInfo::FileNothing;
    cmdInfo.Parse(args);
    switch (cmdInfo.m_nShellCommand) {
    case SCommandLineInfo::FileNew: OnFileNew(); break;
    case SCommandLineInfo::FileOpen:
        if (!OpenDocumentFile(cmdInfo.m_strFileName))
            return false;
        break;
    case SCommandLineInfo::FilePrint: {
        // Printing from the command line ends the program; it succeeds when the file's page went out.
        if (cmdInfo.m_strFileName.isEmpty() || !OpenDocumentFile(cmdInfo.m_strFileName))
            return false;
        auto* pView = dynamic_cast<CLumivoView*>(pMainFrame->GetActiveView());
        if (pView && pView->PrintTo(GetPrinter()))
            m_nExitCode = 0;
        return false;
    }
    case SCommandLineInfo::FileNothing: break;
    }

    // 10. Show the window; it accepts dropped files.
    pMainFrame->show();
    pMainFrame->setAcceptDrops(true);
    return true;
}

void CLumivoApp::OnFileNew()
{
    OpenDocumentFile(QString());
}

void CLumivoApp::OnCloseAll()
{
    CloseAllDocuments();
}

void CLumivoApp::OnFilePrintSetup()
{
    QPageSetupDialog dialog(&GetPrinter(), GetMainWnd());
    dialog.exec();
}

void CLumivoApp::OnAppAbout()
{
    CAboutDlg dialog(GetMainWnd());
    dialog.exec();
}
