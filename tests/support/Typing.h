#pragma once

#include <QString>

class QWidget;

namespace kx::test {

// Types text into a widget one key event per character, each carrying its
// text, so Chinese can be typed (QTest::keyClicks aborts on non-Latin text).
void typeText(QWidget* widget, const QString& text);
// Sends text to a widget as an input method commits a composed phrase: one
// event, no key presses.
void commitText(QWidget* widget, const QString& text);
// `piece` repeated until the text is exactly `length` characters long.
QString repeatedText(const QString& piece, qsizetype length);

}  // namespace kx::test
