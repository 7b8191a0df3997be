#include "CommandLineInfo.h"
#include "KorvaneManagerApp.h"
#include "support/DescriptorLimit.h"

#include <iostream>

#include <QApplication>

int main(int argc, char* argv[]) {
    // Answered before QApplication exists, which would need a display.
    if (const auto exitCode = KorvaneApp::CommandLineInfo::Answer({argv + 1, argv + argc}, std::cout)) {
        return *exitCode;
    }
    Zelt::RaiseDescriptorLimit();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VESTRANO"));
    QApplication::setApplicationName(QStringLiteral("KORVANE Admin"));
    return KorvaneApp::KorvaneManagerApp::Run(QApplication::arguments());
}
