#include "KorvaneManagerApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VESTRANO"));
    QApplication::setApplicationName(QStringLiteral("KORVANE Admin"));
    return KorvaneApp::KorvaneManagerApp::Run(QApplication::arguments());
}
