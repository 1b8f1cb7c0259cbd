// The small progress window shown while a deck is read or a table runs: "Reading line " n,
// or "KOLVAN Run " n for table runs (given as n < 1). Repaints at most every 100 ms.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;

namespace kolshell {

class TCompiling : public QWidget {
    Q_OBJECT
  public:
    explicit TCompiling(QWidget* parent = nullptr);

    void Update(int n);
    QLabel* Label() const { return label_; }
    QLabel* Number() const { return number_; }
    // The tick count in milliseconds; tests replace it.
    std::function<qint64()> Ticks;

  protected:
    bool event(QEvent* event) override;

  private:
    QLabel* label_;
    QLabel* number_;
    qint64 lastPaint_ = 0;
};

} // namespace kolshell
