#pragma once

// The menu's picture buttons (its Command1 array), by the indices they have always had: About
// was added after Exit and stands above it. A screen asks the shell for another screen by them.
enum class MenuCommand : int {
    StartExam = 0,
    ViewExam = 1,
    Dictionary = 2,
    Books = 3,
    Examples = 4,
    Exit = 5,
    About = 6
};
