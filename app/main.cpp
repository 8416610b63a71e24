#include "velmorant.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Velmorant window;
    window.show();
    return application.exec();
}
