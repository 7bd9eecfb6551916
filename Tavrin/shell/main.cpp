#include <QApplication>
#include <QMainWindow>

#include "TavrinConfig.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tavrin");
    QApplication::setOrganizationDomain(TavrinConfig::bundleId);
    // Closing the last window does not quit the program.
    QApplication::setQuitOnLastWindowClosed(false);

    QMainWindow window;
    window.setWindowTitle("Tavrin");
    window.resize(1100, 720);
    window.show();
    // Until the main window proper exists, closing this one ends the session.
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    return app.exec();
}
