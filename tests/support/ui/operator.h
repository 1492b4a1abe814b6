// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

class QLineEdit;
class QTabWidget;
class QWidget;

// Acts on a shown window as an operator does. A click goes to the window at
// the spot where the widget shows, so whatever covers that spot would take
// it: the helper fails the test instead, naming what covers the widget. Keys
// go to whatever holds the keyboard focus. After each action the event loop
// runs, as it does between two real key presses or clicks.
namespace op {

// Clicks the middle of the widget.
void click(QWidget* widget);
// Clicks at a point given in the widget's own coordinates.
void clickAt(QWidget* widget, QPoint point);
// Clicks a line edit just after its n-th character, inside the text.
void clickInText(QLineEdit* box, int n);
// Clicks the tab with the given index.
void clickTab(QTabWidget* tabs, int index);
// Types the text into the focus widget, one key press per character.
void type(const QString& text);
// Presses one key (Tab, Return, Escape, ...) on the focus widget.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

} // namespace op

// Key presses carrying each character, as a keyboard or input method delivers
// them; QTest::keyClicks knows only ASCII.
void typeText(QWidget* widget, const QString& text);
