#include "app/ui/ToolProgressDialog.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int barSteps = 1000;

} // namespace

ToolProgressDialog::ToolProgressDialog(QWidget* parent)
    : QDialog(parent)
    , stageLabel(new QLabel(this))
    , bar(new QProgressBar(this))
    , elapsedLabel(new QLabel(this))
    , cancelButton(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("toolprogress"));
    setModal(false);
    // Shown every few seconds while the user works in the view: it must not
    // take the keyboard from it each time.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    stageLabel->setObjectName(QStringLiteral("stage"));
    stageLabel->setMinimumWidth(320);
    bar->setObjectName(QStringLiteral("progress"));
    bar->setRange(0, barSteps);
    bar->setTextVisible(true);
    elapsedLabel->setObjectName(QStringLiteral("elapsed"));
    cancelButton->setObjectName(QStringLiteral("cancel"));
    // Return typed for the view must not stop the run.
    cancelButton->setAutoDefault(false);
    cancelButton->setFocusPolicy(Qt::NoFocus);
    connect(cancelButton, &QPushButton::clicked, this, &ToolProgressDialog::cancelRequested);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(elapsedLabel);
    bottom->addStretch(1);
    bottom->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stageLabel);
    layout->addWidget(bar);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    begin(QString());
}

void ToolProgressDialog::begin(const QString& name)
{
    setWindowTitle(name);
    stopping = false;
    cancelButton->setEnabled(true);
    showProgress(QString(), 0.0, 0);
}

void ToolProgressDialog::showProgress(const QString& stage, double fraction, qint64 elapsedMs)
{
    if (!stopping)
        stageLabel->setText(stage.isEmpty() ? tr("Working...") : stage);
    // NaN from an engine must not reach the bar as a huge integer.
    const double clamped = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    bar->setValue(static_cast<int>(std::lround(clamped * barSteps)));
    elapsedLabel->setText(tr("Elapsed %1").arg(elapsedText(elapsedMs)));
}

void ToolProgressDialog::showCancelling()
{
    stopping = true;
    cancelButton->setEnabled(false);
    stageLabel->setText(tr("Cancelling..."));
}

QString ToolProgressDialog::elapsedText(qint64 elapsedMs)
{
    const qint64 seconds = std::max<qint64>(elapsedMs, 0) / 1000;
    const qint64 hours = seconds / 3600;
    const QString minutesSeconds
        = QStringLiteral("%1:%2")
              .arg(hours ? (seconds / 60) % 60 : seconds / 60, hours ? 2 : 1, 10, QLatin1Char('0'))
              .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours ? QStringLiteral("%1:%2").arg(hours).arg(minutesSeconds) : minutesSeconds;
}

void ToolProgressDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const QWidget* window = parentWidget() ? parentWidget()->window() : nullptr;
    if (placed || !window)
        return;
    placed = true;
    const QRect area = window->geometry();
    const int margin = 48;
    move(area.center().x() - width() / 2, std::max(area.top(), area.bottom() - height() - margin));
}

void ToolProgressDialog::reject()
{
    // Escape and the window's close button land here; QDialog would hide the
    // dialogue while the work goes on.
    if (!stopping)
        emit cancelRequested();
}
