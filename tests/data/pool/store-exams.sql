-- Two exams on the store suite's first pool: Ann's on Drivers?, Joins?, Oracles?; Bob's on Keys?;
-- a flag on Ann's second question and a progress row for Bob's.
INSERT INTO ExamTitle VALUES (1, 'Ann', '2026-03-01 10:00:00', 3, 2), (2, 'Bob', '2026-03-02 10:00:00', 1, NULL);
INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (1, 'Ann', 2, 'A', -1), (1, 'Ann', 5, 'B', -1),
    (1, 'Ann', 3, NULL, 0), (2, 'Bob', 4, 'C', -1);
INSERT INTO ExamFlags VALUES (2);
INSERT INTO ExamProgress VALUES (2, 300, 1000, 'run');
