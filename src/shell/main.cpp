#include "shell/ErrorDisplay.h"
#include "shell/TFMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    FMain = new TFMain;
    FMain->setAttribute(Qt::WA_DeleteOnClose);
    FMain->show();
    return app.exec();
}
