// The application object: an exception that escapes an event handler ends that handler
// and is shown by the application's error box; the program goes on.
#pragma once

#include <QApplication>

namespace prismcrate {

class TApplication : public QApplication {
  public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace prismcrate
