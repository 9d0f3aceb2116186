#pragma once

#include <QWidget>
#include <functional>

namespace velmora {

// frmSplash: a picture shown while the program starts; it has nothing that acts.
class Splash : public QWidget {
    Q_OBJECT
public:
    explicit Splash(QWidget *parent = nullptr);

    // Shows the splash, waits `ms` milliseconds on a monotonic clock while the event loop
    // runs, then closes it.
    static void showFor(int ms, const std::function<void()> &whenDone);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Waits `ms` milliseconds on a monotonic clock while serving the event loop.
void waitServingEvents(int ms);

} // namespace velmora
