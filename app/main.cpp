// Program entry: the command line, the application, the main window (which makes the four
// dialogs when they are first needed), the message loop.
#include "app/application.h"
#include "app/main_window.h"
#include "levels/level_folders.h"
#include "levels/progress.h"
#include "platform/font_warm_up.h"
#include "platform/session_bus.h"

int main(int argc, char** argv) {
    // --help and --version answer before the window system is needed.
    if (const auto status = prismcrate::answerInfoOptions(argc, argv)) return *status;
    // Before any other thread runs: it may change the environment.
    prismcrate::skipImpossibleSessionBus();
    // The font configuration is read beside the making of the application and the window.
    prismcrate::FontConfigWarmUp fonts;
    prismcrate::TApplication app(argc, argv);
    if (const auto status = app.readCommandLine()) return *status;
    prismcrate::installToolkitTranslations(app);

    prismcrate::TForm1 form1;
    // The four dialogs are made at the start-up tick, once the window has shown.
    form1.makeDialogsWhenNeeded();
    // The player's progress, in the user's configuration folder.
    prismcrate::ProgressFile progress(prismcrate::progressFilePath());
    form1.setProgress(&progress);
    form1.setStartFile(app.startFile());
    fonts.wait();
    form1.show();
    return QApplication::exec();
}
