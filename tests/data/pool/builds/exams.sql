-- "with exams" of builds.tsv: Ann's, Bob O'Neil's and Cid's exams on the old pool, detail rows 1-6.
INSERT INTO ExamTitle VALUES (1, 'Ann', '2026-03-01 10:15:00', 3, 1), (2, 'Bob O''Neil', '2026-03-02 10:15:00', 2, 2),
    (3, 'Cid', '2026-03-03', 1, NULL);
INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (1, 'Ann', 2, 'A', -1), (1, 'Ann', 4, NULL, 0),
    (1, 'Ann', 7, 'C', -1), (2, 'Bob O''Neil', 6, 'D', -1), (2, 'Bob O''Neil', 1, 'B', -1), (3, 'Cid', 8, NULL, 0);
