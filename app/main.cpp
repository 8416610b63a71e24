#include "app/velmorant.h"
#include "repair/platform/signal_cleanup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    velmorant::installSignalHandlers();
    QApplication application(argc, argv);
    Velmorant window;
    window.show();
    return application.exec();
}
