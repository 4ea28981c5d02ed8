#pragma once

#include <QTimer>
#include <functional>

namespace monitor::testing {

/** Runs `inside` once the event loop of a modal window that is about to open is running (a
 *  modal window blocks the test until something closes it). `rescue` closes whatever is still
 *  open after a few seconds, so that a failing test ends instead of hanging. Both are dropped
 *  when the script goes out of scope. */
class ModalScript {
  public:
    ModalScript(std::function<void()> inside, std::function<void()> rescue) {
        for (QTimer* t : {&start_, &rescue_}) t->setSingleShot(true);
        QObject::connect(&start_, &QTimer::timeout, std::move(inside));
        QObject::connect(&rescue_, &QTimer::timeout, std::move(rescue));
        start_.start(0);
        rescue_.start(5000);
    }

  private:
    QTimer start_;
    QTimer rescue_;
};

}  // namespace monitor::testing
