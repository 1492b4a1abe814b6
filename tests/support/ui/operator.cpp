// SPDX-License-Identifier: GPL-3.0-or-later
#include "operator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWindow>

namespace {

std::string describe(const QWidget* widget)
{
    if (!widget)
        return "nothing";
    const QString name = widget->objectName();
    return (name.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : name).toStdString();
}

} // namespace

namespace op {

void clickAt(QWidget* widget, QPoint point)
{
    if (!widget || !widget->isVisible()) {
        ADD_FAILURE() << "cannot click " << describe(widget) << ": it is not shown";
        return;
    }
    QWidget* window = widget->window();
    const QPoint at = widget->mapTo(window, point);
    QWidget* hit = window->childAt(at);
    if (hit != widget && !widget->isAncestorOf(hit)) {
        ADD_FAILURE() << "cannot click " << describe(widget) << ": " << describe(hit) << " covers it";
        return;
    }
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
}

void click(QWidget* widget) { clickAt(widget, widget ? widget->rect().center() : QPoint()); }

void clickInText(QLineEdit* box, int n)
{
    const int y = box->height() / 2;
    for (int x = 0; x < box->width(); ++x) {
        if (box->cursorPositionAt(QPoint(x, y)) == n) {
            clickAt(box, QPoint(x, y));
            return;
        }
    }
    ADD_FAILURE() << "no spot in " << describe(box) << " puts the cursor at " << n;
}

void clickTab(QTabWidget* tabs, int index)
{
    QTabBar* bar = tabs->tabBar();
    clickAt(bar, bar->tabRect(index).center());
}

void type(const QString& text)
{
    QWidget* target = QApplication::focusWidget();
    if (!target) {
        ADD_FAILURE() << "no widget holds the keyboard focus";
        return;
    }
    typeText(target, text);
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    if (!target) {
        ADD_FAILURE() << "no widget holds the keyboard focus";
        return;
    }
    QTest::keyClick(target, key, modifiers);
    QCoreApplication::processEvents();
}

} // namespace op

void typeText(QWidget* widget, const QString& text)
{
    for (const char32_t c : text.toUcs4()) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
        QCoreApplication::processEvents();
    }
}
