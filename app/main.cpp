#include "app/velmorant.h"
#include "repair/platform/file_system.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    velmorant::installSignalHandlers();
    QApplication application(argc, argv);
    Velmorant window;
    window.show();
    return application.exec();
}
