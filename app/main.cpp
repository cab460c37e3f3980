#include "app/platformchoice.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    choosePlatform();
    QApplication application(argc, argv);
    return Main(application);
}
