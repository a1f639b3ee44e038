#pragma once

// The exam screen's control arrays, each index named after the control it holds. The numbers are
// the indices the controls have always had (their object names carry them).

// Command1: the set-up commands, and the question navigator's picture buttons.
enum class ExamCommand : int { StartExam = 0, EndExam = 1, First = 2, Previous = 3, Pause = 4, Next = 5, Last = 6 };

// Label1: the clock panel's captions and values, and the question area's headings.
enum class ExamLabel : int {
    ExamDateCaption = 0,
    StartTimeCaption = 1,
    DurationCaption = 2,
    QuestionsLeftCaption = 3,
    CategoryHeading = 4,
    ExamDate = 7,
    StartTime = 8,
    Duration = 9,
    TimeLeft = 10,
    QuestionsLeft = 11,
    TimeLeftCaption = 15,
    UserCaption = 16,
    QuestionHeading = 17
};

// Frame1: the set-up column's three frames and the question area.
enum class ExamFrame : int { Categories = 0, QuestionCount = 1, Commands = 2, Question = 3 };

// Text1: the candidate's name, the array's one box.
enum class ExamText : int { User = 0 };

// Option1: the choices A to F of a question of one right answer.
enum class ExamChoice : int { A = 0, B = 1, C = 2, D = 3, E = 4, F = 5 };

// chkCategory: the six categories in the order the set-up lists them, then All Categories.
enum class ExamCategory : int {
    SoftwareTesting = 0,
    ProgrammingBasic = 1,
    DatabaseBasic = 2,
    InternetTechnology = 3,
    QualityAssurance = 4,
    NetworkingBasic = 5,
    All = 6
};

// optTask: how many questions the exam has.
enum class ExamTask : int { Ten = 0, Thirty = 1, Fifty = 2 };

// txtFields: the shown question row's fields. E and F come after the hidden ones, so that the
// older indices stay as they were.
enum class ExamField : int {
    Question = 0,
    A = 1,
    B = 2,
    C = 3,
    D = 4,
    DetailID = 5,
    Answer = 6,
    Category = 7,
    E = 8,
    F = 9
};
