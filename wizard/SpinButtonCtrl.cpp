#include "SpinButtonCtrl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatIntervalMs = 60;

// The leading number of a text, read like atoi: blanks, an optional sign, digits; 0 when
// there is none. Saturates instead of overflowing.
qint64 LeadingNumber(const QString& strText) {
    int i = 0;
    while (i < strText.size() && strText[i].isSpace()) ++i;
    bool bNegative = false;
    if (i < strText.size() && (strText[i] == QLatin1Char('-') || strText[i] == QLatin1Char('+')))
        bNegative = strText[i++] == QLatin1Char('-');
    qint64 nValue = 0;
    for (; i < strText.size() && strText[i] >= QLatin1Char('0') && strText[i] <= QLatin1Char('9');
         ++i) {
        nValue = std::min<qint64>(nValue * 10 + (strText[i].unicode() - '0'), 1LL << 40);
    }
    return bNegative ? -nValue : nValue;
}

}  // namespace

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* pParent) : QWidget(pParent) {
    m_clock.start();
    m_fnNowMs = [this] { return m_clock.elapsed(); };

    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    m_pUp = new QToolButton(this);
    m_pDown = new QToolButton(this);
    for (QToolButton* pButton : {m_pUp, m_pDown}) {
        pButton->setFocusPolicy(Qt::NoFocus);
        pButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        pButton->setFixedWidth(16);
        pLayout->addWidget(pButton);
    }
    m_pUp->setArrowType(Qt::UpArrow);
    m_pDown->setArrowType(Qt::DownArrow);
    m_pUp->setAccessibleName(QStringLiteral("Up"));
    m_pDown->setAccessibleName(QStringLiteral("Down"));

    connect(m_pUp, &QToolButton::pressed, this, [this] { BeginHold(+1); });
    connect(m_pDown, &QToolButton::pressed, this, [this] { BeginHold(-1); });
    connect(m_pUp, &QToolButton::released, this, &CSpinButtonCtrl::EndHold);
    connect(m_pDown, &QToolButton::released, this, &CSpinButtonCtrl::EndHold);
    connect(&m_timerRepeat, &QTimer::timeout, this, [this] {
        m_timerRepeat.setInterval(kRepeatIntervalMs);
        OnAutoRepeat();
    });
}

void CSpinButtonCtrl::SetBuddy(QLineEdit* pBuddy) {
    if (m_pBuddy) m_pBuddy->removeEventFilter(this);
    m_pBuddy = pBuddy;
    if (m_pBuddy) m_pBuddy->installEventFilter(this);
}

void CSpinButtonCtrl::SetRange(int nLower, int nUpper) {
    m_nLower = std::min(nLower, nUpper);
    m_nUpper = std::max(nLower, nUpper);
}

void CSpinButtonCtrl::SetAccel(std::vector<UDACCEL> accel) {
    std::sort(accel.begin(), accel.end(),
              [](const UDACCEL& a, const UDACCEL& b) { return a.nSec < b.nSec; });
    if (!accel.empty()) m_accel = std::move(accel);
}

void CSpinButtonCtrl::SetClock(std::function<qint64()> fnNowMs) {
    if (fnNowMs) m_fnNowMs = std::move(fnNowMs);
}

int CSpinButtonCtrl::GetStep(qint64 nHeldMs) const {
    int nStep = m_accel.front().nInc;
    for (const UDACCEL& entry : m_accel)
        if (nHeldMs >= qint64(entry.nSec) * 1000) nStep = entry.nInc;
    return nStep;
}

void CSpinButtonCtrl::BeginHold(int nDirection) {
    m_nDirection = nDirection < 0 ? -1 : 1;
    m_nHoldStartMs = m_fnNowMs();
    StepOnce();
    m_timerRepeat.start(kRepeatDelayMs);
}

void CSpinButtonCtrl::EndHold() {
    m_timerRepeat.stop();
    m_nDirection = 0;
    m_bKeyHold = false;
}

void CSpinButtonCtrl::OnAutoRepeat() {
    if (m_nDirection != 0) StepOnce();
}

void CSpinButtonCtrl::StepOnce() {
    if (!m_pBuddy) return;
    const qint64 nStep = GetStep(m_fnNowMs() - m_nHoldStartMs);
    const qint64 nValue = LeadingNumber(m_pBuddy->text()) + m_nDirection * nStep;
    m_pBuddy->setText(QString::number(std::clamp<qint64>(nValue, m_nLower, m_nUpper)));
}

bool CSpinButtonCtrl::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pBuddy &&
        (pEvent->type() == QEvent::KeyPress || pEvent->type() == QEvent::KeyRelease)) {
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        const int nDirection = pKey->key() == Qt::Key_Up     ? +1
                               : pKey->key() == Qt::Key_Down ? -1
                                                             : 0;
        if (nDirection != 0) {
            if (pEvent->type() == QEvent::KeyPress) {
                // The keyboard repeats by itself; the hold only times the acceleration.
                if (!m_bKeyHold || !pKey->isAutoRepeat()) {
                    m_nDirection = nDirection;
                    m_nHoldStartMs = m_fnNowMs();
                    m_bKeyHold = true;
                }
                m_nDirection = nDirection;
                StepOnce();
            } else if (!pKey->isAutoRepeat()) {
                m_bKeyHold = false;
                m_nDirection = 0;
            }
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}
