#include "Dialog.h"
#include "TreesView.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    auto* window = new Dialog;
    const QString server = Dialog::listServerOption(app.arguments());
    if (!server.isEmpty())
        window->form().tabWidget->setListServer(server);
    window->show();
    const int result = app.exec();
    delete window;  // writes the settings
    return result;
}
