// Progress in the status bar: a bar over the progress pane that prints its percentage, and the
// process-wide progress observer. On the user-interface thread the observer shows each report
// and lets the user cancel with Escape; other threads post their percentage to the frame.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProgressBar>

#include <functional>

// A progress bar that draws "n %" in white in its middle.
class CTextProgressBarCtrl : public QProgressBar
{
    Q_OBJECT
public:
    explicit CTextProgressBarCtrl(QWidget* parent = nullptr);
    QString text() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class CStatusProgress : public QObject, public FCProgressObserver
{
    Q_OBJECT
public:
    // show: the frame's display of a percentage (SetProgress). Clears the cancel flag.
    CStatusProgress(std::function<void(int)> show, QObject* parent = nullptr);
    ~CStatusProgress() override;

    // User-interface thread: shows the percentage, lets pending events through with user input
    // held back, and answers false when Escape was pressed since the last report.
    bool OnProgress(int percent) override;
    // True while a report lets events through (views must not paint then).
    bool IsReporting() const { return m_reporting; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(int)> m_show;
    bool m_reporting = false;
    bool m_escape = false;
    int m_lastShown = -1;
    QElapsedTimer m_sinceEvents;
};
