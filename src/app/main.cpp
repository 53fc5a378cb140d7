#include "app/LumivoApp.h"
#include "system/Memory.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    SetUpHeapForImages(argv);
    QApplication application(argc, argv);
    QStringList args = QApplication::arguments();
    args.removeFirst();
    CLumivoApp app;
    if (!app.InitInstance(args))
        return app.ExitCode();
    return QApplication::exec();
}
