// Program entry: the command line, the application, its five windows in their order, the
// message loop.
#include "app/about_box.h"
#include "app/application.h"
#include "app/main_window.h"
#include "editor/title_dialog.h"
#include "levels/builder_dialog.h"
#include "levels/chooser_dialog.h"
#include "levels/level_folders.h"
#include "levels/progress.h"

int main(int argc, char** argv) {
    // --help and --version answer before the window system is needed.
    if (const auto status = prismcrate::answerInfoOptions(argc, argv)) return *status;
    prismcrate::TApplication app(argc, argv);
    if (const auto status = app.readCommandLine()) return *status;
    prismcrate::installToolkitTranslations(app);

    prismcrate::TForm1 form1;
    prismcrate::TForm2 form2(&form1);
    prismcrate::TForm3 form3(&form1);
    prismcrate::TForm4 form4(&form1);
    prismcrate::TForm5 form5(&form1);
    form1.setDialogs(&form2, &form3, &form4, &form5);
    // The player's progress, in the user's configuration folder.
    prismcrate::ProgressFile progress(prismcrate::progressFilePath());
    form1.setProgress(&progress);
    form1.setStartFile(app.startFile());
    form1.show();
    return QApplication::exec();
}
