#pragma once
// What the keystroke benchmarks of the text view and of the editors share:
// painting the viewport as a paint event would, a key pressed and released,
// the typing loop that types a key and takes it back, each key timed with
// the event loop's work after it and the repaint, and the scrolling loop.

#include "platform/foundation/Range.h"
#include "platform/ui/Painter.h"
#include "platform/ui/TextViewWidget.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace EditorBench {

inline double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// The median of the timed steps, with the 90th percentile beside it.
inline void reportSteps(benchmark::State& state, std::vector<double> steps)
{
    if (steps.empty())
        return;
    std::sort(steps.begin(), steps.end());
    state.counters["s_median"] = steps[steps.size() / 2];
    state.counters["s_p90"] = steps[steps.size() * 9 / 10];
}

inline void paint(plat::TextViewWidget& view, QImage& canvas)
{
    QWidget* viewport = view.viewport();
    if (canvas.size() != viewport->size())
        canvas = QImage(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    QPainter qpainter(&canvas);
    plat::QtPainter painter(qpainter);
    view.paintTo(painter, QRectF(QPointF(), canvas.size()));
}

inline void key(QWidget& target, Qt::Key key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&target, &release);
}

// Types the key at caret, then takes it back with Backspace, in turn; insert
// tells afterwards whether the last key typed was taken back.
inline std::vector<double> typeAndTakeBack(benchmark::State& state, plat::TextViewWidget& view, qsizetype caret,
                                           Qt::Key typed, const QString& text, bool& insert)
{
    QImage canvas;
    view.model().setSelectedRange(plat::Range(caret, 0));
    view.selectionDidChangeOutside();
    view.scrollRangeToVisible(plat::Range(caret, 0));
    paint(view, canvas);
    std::vector<double> steps;
    insert = true;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (insert)
            key(view, typed, text);
        else
            key(view, Qt::Key_Backspace, QString());
        // The undo manager closes its event group between keys, as the event loop does.
        QCoreApplication::processEvents();
        paint(view, canvas);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(seconds(elapsed));
        steps.push_back(seconds(elapsed));
        insert = !insert;
    }
    return steps;
}

// Scrolls down one viewport per iteration, back to the top at the end, each
// step timed with its repaint.
template <class Paint>
std::vector<double> scrollByViewports(benchmark::State& state, QScrollBar& bar, Paint paint)
{
    std::vector<double> steps;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        bar.setValue(bar.value() + bar.pageStep() >= bar.maximum() ? 0 : bar.value() + bar.pageStep());
        paint();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(seconds(elapsed));
        steps.push_back(seconds(elapsed));
    }
    return steps;
}

} // namespace EditorBench
