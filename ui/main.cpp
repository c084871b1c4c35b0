// KVZdidw: the configurator. The command line is not read: the startup configuration comes from the
// registry.
#include "ui/app/did_app.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KVZdidw"));
    int result = 0;
    {
        CDidApp didApp;
        if (didApp.InitInstance())
            result = QApplication::exec();
        result = didApp.ExitInstance(result);
    }
    return result;
}
