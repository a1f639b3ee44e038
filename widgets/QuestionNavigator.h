#pragma once

#include <map>

#include <QAbstractButton>

class QWidget;
class Recordset;

// The four picture buttons under a question (first, previous, next, last: indices 2, 3, 5, 6 of
// a screen's command array) and the moves they make.
namespace QuestionNavigator {
// Creates the buttons at the given left edges and top (twips); `clicked` receives the index.
template <typename Handler>
std::map<int, QAbstractButton *> createButtons(QWidget *parent, const int (&lefts)[4], int top, Handler clicked);
QAbstractButton *createButton(QWidget *parent, int index, int left, int top);

// Moves as the button with `index` asks; "previous" on the first question and "next" on the
// last beep and stay.
void move(Recordset *rs, int index);
} // namespace QuestionNavigator

template <typename Handler>
std::map<int, QAbstractButton *> QuestionNavigator::createButtons(
    QWidget *parent, const int (&lefts)[4], int top, Handler clicked)
{
    static constexpr int indices[] = {2, 3, 5, 6};
    std::map<int, QAbstractButton *> buttons;
    for (int i = 0; i < 4; ++i) {
        QAbstractButton *button = createButton(parent, indices[i], lefts[i], top);
        const int index = indices[i];
        QObject::connect(button, &QAbstractButton::clicked, parent, [clicked, index] { clicked(index); });
        buttons[index] = button;
    }
    return buttons;
}
