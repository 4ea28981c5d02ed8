#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;

namespace monitor {

/** A small spinning ring of dots that turns for as long as it exists. */
class BusyIndicator final : public QWidget {
  public:
    explicit BusyIndicator(QWidget* parent = nullptr);
    int Step() const noexcept { return step_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QTimer* timer_;
    int step_ = 0;
};

/** The progress window shown while the database connection opens: a one-line message, a busy
 *  indicator and a bar that keeps cycling (it measures nothing). ESC hides it; the work that
 *  showed it goes on. */
class TFCarregando final : public QWidget {
  public:
    explicit TFCarregando(QWidget* parent = nullptr);

    QLabel* Label1;
    BusyIndicator* ActivityIndicator1;
    QProgressBar* ProgressBar1;
    QTimer* Timer1;

    static constexpr int kWidth = 512;
    static constexpr int kHeight = 159;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void Timer1Timer();
};

}  // namespace monitor
