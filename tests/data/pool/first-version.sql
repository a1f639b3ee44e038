-- An exam database as the program's first version made it: Q_A of four choices, none of the side tables.
CREATE TABLE Q_A1 (QID INTEGER PRIMARY KEY, Question TEXT NOT NULL, A TEXT, B TEXT, C TEXT, D TEXT, CorrectAnswer TEXT,
    Category TEXT, Description TEXT);
INSERT INTO Q_A1 SELECT QID, Question, A, B, C, D, CorrectAnswer, Category, Description FROM Q_A;
DROP TABLE Q_A;
ALTER TABLE Q_A1 RENAME TO Q_A;
CREATE INDEX Q_A_Category ON Q_A (Category, QID);
DROP TABLE QuestionKeys;
DROP TABLE ExamFlags;
DROP TABLE ExamProgress;
DROP TABLE PracticeExams;
DROP INDEX ExamTitle_UserName;
