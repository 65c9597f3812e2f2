#include "TMyApp.h"
#include "platform/ProgramDirectory.h"

int main(int argc, char** argv) {
    app::TMyApp application(argc, argv);
    application.InitMainWindow(platform::dataDirectory(platform::programDirectory()));
    return application.exec();
}
