#pragma once

// The results screen's control arrays, each index named after the control it holds. The numbers
// are the indices the controls have always had (their object names carry them).

// Command1: the list's commands, and the review's navigator (the exam screen's indices).
enum class ViewExamCommand : int { DeleteExam = 0, First = 2, Previous = 3, CloseScreen = 4, Next = 5, Last = 6 };

// Label1: the review's headings and the letters beside the choices.
enum class ViewExamLabel : int {
    YourAnswer = 0,
    CorrectAnswer = 1,
    Explanation = 2,
    LetterA = 3,
    Category = 4,
    LetterB = 5,
    LetterC = 6,
    LetterD = 7,
    Question = 17,
    LetterE = 18,
    LetterF = 19
};

// Frame1: the review, the one frame of the array left on this screen.
enum class ViewExamFrame : int { Review = 3 };

// txtFields: the reviewed question row's fields, its key and explanation; E and F come last.
enum class ViewExamField : int {
    Question = 0,
    A = 1,
    B = 2,
    C = 3,
    D = 4,
    DetailID = 5,
    Answer = 6,
    Category = 7,
    CorrectAnswer = 8,
    Description = 9,
    E = 10,
    F = 11
};
