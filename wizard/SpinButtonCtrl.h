// Up and down arrows beside a text field. Each step reads the number in the field, adds or
// subtracts the step in force and writes the result back, within the range. Held down, the
// arrows repeat and the step grows with the time held (the acceleration table).
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

class QLineEdit;
class QToolButton;

struct UDACCEL {
    int nSec;  // seconds since the arrow was pressed
    int nInc;  // step from then on
};

class CSpinButtonCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButtonCtrl(QWidget* pParent = nullptr);

    // The field the arrows step; also answers its Up and Down keys.
    void SetBuddy(QLineEdit* pBuddy);
    void SetRange(int nLower, int nUpper);
    void SetAccel(std::vector<UDACCEL> accel);
    // Milliseconds on a monotonic clock; tests hand in their own.
    void SetClock(std::function<qint64()> fnNowMs);

    // Pressing and releasing an arrow (nDirection +1 up, -1 down): one step at once, then
    // repeats while held.
    void BeginHold(int nDirection);
    void EndHold();
    // One repeat of the held arrow, as the repeat timer does it.
    void OnAutoRepeat();
    // The step in force after nHeldMs of holding.
    int GetStep(qint64 nHeldMs) const;

    QToolButton* GetUpButton() const { return m_pUp; }
    QToolButton* GetDownButton() const { return m_pDown; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void StepOnce();

    QLineEdit* m_pBuddy = nullptr;
    QToolButton* m_pUp = nullptr;
    QToolButton* m_pDown = nullptr;
    int m_nLower = 0;
    int m_nUpper = 100;
    std::vector<UDACCEL> m_accel{{0, 1}};
    std::function<qint64()> m_fnNowMs;
    QElapsedTimer m_clock;
    QTimer m_timerRepeat;
    int m_nDirection = 0;
    qint64 m_nHoldStartMs = 0;
    bool m_bKeyHold = false;
};
