-- The designed set of question statistics, the same on the file and on the server: questions
-- 1001-1009 and the exams of five groups of candidates. Its figures, worked out by hand below, are
-- the lines of tests/data/questionstats.csv. The designed answers, question by question:
--
-- Each question's answers exam by exam, the groups S | M | W | P | U in order: "." not in that
-- exam, "-" unanswered, "0" an empty answer, "X*n" the answer X n times.
--
-- r = (n Sxy - Sx Sy) / sqrt((n Sx - Sx^2)(n Syy - Sy^2)), Sx the sum of x (x^2 = x), Sy of y, and so on.
--
-- st-01, key B: right S10 M8 W2; wrong M: A A D -, W: A*4 D*4. P's and U's C do not count.
--   32 attempts, facility 20/32 = 0.625. A 6/32 = 0.1875 -> 0.188, B 0.625, C 0/32 -> unpicked-C
--   (32 >= 30 attempts, under 2 %), D 5/32 = 0.15625 -> 0.156, blank 1/32 = 0.031.
--   Sy = 10(.7959) + 8(.5862) + 4(.6207) + 2(.2222) + 8(.3333) = 18.2427, Sxy = 13.0933, Syy = 11.6126
--   r = (32(13.0933) - 20(18.2427)) / sqrt((640 - 400)(32(11.6126) - 18.2427^2)) = 54.1309 / sqrt(240 x 38.8082)
--     = 0.561
-- st-02, key D: right S2 W8, wrong S: C*8, W: A*2. The weak got it, the strong did not.
--   20 attempts, facility 0.500; A 0.100, B 0.000 (but under 30 attempts: no flag), C 0.400, D 0.500.
--   Sy = 2(.7959) + 8(.8163) + 8(.2222) + 2(.3333) = 10.5669, Sxy = 3.3696, Syy = 7.2154
--   r = (20(3.3696) - 10(10.5669)) / sqrt(100 x 32.6481) = -38.2766 / 57.1385 = -0.670: negative-discrimination
-- db-01, key AC, choices A to E: right S: AC*4 ac, M: AC; wrong S: ABC, M: A A CE CE and one empty.
--   12 attempts, facility 6/12 = 0.500. A: AC*5 ac ABC A A = 9/12 = 0.750, B 1/12 = 0.083,
--   C: AC*5 ac ABC CE CE = 9/12 = 0.750, D 0, E 2/12 = 0.167, no F, blank 1/12 = 0.083.
--   Sy = 5(.7959) + 1(.8163) + 1(.5862) + 5(.6207) = 8.4856, Sxy = 4.5658, Syy = 6.1037
--   r = (12(4.5658) - 6(8.4856)) / sqrt(36 x 1.2399) = 3.8761 / 6.6810 = 0.580
-- pb-01, key A: right W1, wrong W: B*4 C*2 -. P's and U's B would make ten attempts: they do not count.
--   8 attempts, facility 0.125, A 0.125, B 0.500, C 0.250, D 0, blank 0.125.
--   r = -1.000 (one group: the one right answer has the lower rest). Hard and negative, but under
--   10 attempts: no flags.
-- nb-01, true or false (A, B), key A: right S10 M11 (one written "a"), wrong M: B.
--   22 attempts, facility 21/22 = 0.955: easy. A 0.955, B 0.045, no C or D, blank 0.
--   Sy = 10(.7959) + 11(.5862) + 1(.6207) = 15.0281, Sxy = 14.4075, Syy = 10.5001
--   r = (22(14.4075) - 21(15.0281)) / sqrt(21 x 5.1578) = 1.3730 / 10.4073 = 0.132
-- qa-01, key C: right M5; wrong M: A*3 D*4, W: A*4 B*3 D*3.
--   22 attempts, facility 5/22 = 0.227: hard. A 7/22 = 0.318, B 3/22 = 0.136, C 0.227, D 7/22 = 0.318.
--   Sy = 5(.5862) + 7(.6207) + 10(.3333) = 10.6092, Sxy = 2.9310, Syy = 5.5261
--   r = (22(2.9310) - 5(10.6092)) / sqrt(85 x 9.0190) = 11.4368 / 27.6878 = 0.413
-- qa-02, key B: right S10 M1. 11 attempts, facility 1.000: easy; nobody got it wrong, so x has no
--   variance and the discrimination is empty.
-- it-01, key F, choices A to F: right S4, wrong W: E E - -. 8 attempts, facility 0.500, E 0.250,
--   F 0.500, blank 0.250, r = 1.000 (the right ones all strong); under 10 attempts: no flags.
-- it-02: never attempted, so not listed.
--   id  category  letters  key  answers
--   st-01  0  ABCD  B  B*10 | B*8 A A D - | B*2 A*4 D*4 | C | C
--   st-02  0  ABCD  D  D*2 C*8 | .*12 | D*8 A*2 | . | .
--   db-01  2  ABCDE  AC  AC*4 ac ABC .*4 | AC A A CE CE 0 .*6 | .*10 | . | .
--   pb-01  1  ABCD  A  .*10 | .*12 | A B*4 C*2 - .*2 | B | B
--   nb-01  5  AB  A  A*10 | A*4 a A*6 B | .*10 | . | .
--   qa-01  4  ABCD  C  .*10 | C*5 A*3 D*4 | A*4 B*3 D*3 | . | .
--   qa-02  4  ABCD  B  B*10 | B .*11 | .*10 | . | .
--   it-01  3  ABCDEF  F  F*4 .*6 | .*12 | E E - - .*6 | . | .
--   it-02  3  ABCD  A  .*10 | .*12 | .*10 | . | .
--
-- The designed exams. Every exam of a group has the same size and score, so that the rest of an
-- attempt's exam, y = (ExamResult - x) / (NumOfQuestions - 1), depends only on its group and on x,
-- the attempt being right (1) or not (0):
--   S: y = 39/49 = 0.7959 when right, 40/49 = 0.8163 when wrong
--   M: y = 17/29 = 0.5862 when right, 18/29 = 0.6207 when wrong
--   W: y =  2/9  = 0.2222 when right,  3/9  = 0.3333 when wrong
--   P: a practice exam, U: not scored (score empty); neither is ever counted.
-- The group's exam g (from 0) is dated 2026-<month>-<firstDay + g> 10:00. Only the rows of the designed questions are
-- stored; the figures take an exam's size and score from ExamTitle, as scoring stored them.
--   group  candidate  exams  questions  score  practice  month  firstDay
--   S  cleo  10  50  40  0  1  5
--   M  bob  12  30  18  0  2  2
--   W  ann  10  10  3  0  3  2
--   P  ann  1  10  8  1  3  20
--   U  ann  1  10    0  3  21
INSERT INTO Q_A (QID, Question, A, B, C, D, E, F, CorrectAnswer, Category, Description) VALUES
    (1001, 'Designed question st-01', 'Choice A of st-01', 'Choice B of st-01', 'Choice C of st-01', 'Choice D of st-01', NULL, NULL, 'B', 'Software Testing', 'Why st-01.'),
    (1002, 'Designed question st-02', 'Choice A of st-02', 'Choice B of st-02', 'Choice C of st-02', 'Choice D of st-02', NULL, NULL, 'D', 'Software Testing', 'Why st-02.'),
    (1003, 'Designed question db-01', 'Choice A of db-01', 'Choice B of db-01', 'Choice C of db-01', 'Choice D of db-01', 'Choice E of db-01', NULL, 'AC', 'Database Basic', 'Why db-01.'),
    (1004, 'Designed question pb-01', 'Choice A of pb-01', 'Choice B of pb-01', 'Choice C of pb-01', 'Choice D of pb-01', NULL, NULL, 'A', 'Programming Basic', 'Why pb-01.'),
    (1005, 'Designed question nb-01', 'True', 'False', NULL, NULL, NULL, NULL, 'A', 'Networking Basic', 'Why nb-01.'),
    (1006, 'Designed question qa-01', 'Choice A of qa-01', 'Choice B of qa-01', 'Choice C of qa-01', 'Choice D of qa-01', NULL, NULL, 'C', 'Quality Assurance', 'Why qa-01.'),
    (1007, 'Designed question qa-02', 'Choice A of qa-02', 'Choice B of qa-02', 'Choice C of qa-02', 'Choice D of qa-02', NULL, NULL, 'B', 'Quality Assurance', 'Why qa-02.'),
    (1008, 'Designed question it-01', 'Choice A of it-01', 'Choice B of it-01', 'Choice C of it-01', 'Choice D of it-01', 'Choice E of it-01', 'Choice F of it-01', 'F', 'Internet Technology', 'Why it-01.'),
    (1009, 'Designed question it-02', 'Choice A of it-02', 'Choice B of it-02', 'Choice C of it-02', 'Choice D of it-02', NULL, NULL, 'A', 'Internet Technology', 'Why it-02.');
INSERT INTO QuestionKeys (QID, StableID, Origin) VALUES
    (1001, 'st-01', 'shipped'),
    (1002, 'st-02', 'shipped'),
    (1003, 'db-01', 'shipped'),
    (1004, 'pb-01', 'shipped'),
    (1005, 'nb-01', 'shipped'),
    (1006, 'qa-01', 'shipped'),
    (1007, 'qa-02', 'shipped'),
    (1008, 'it-01', 'shipped'),
    (1009, 'it-02', 'shipped');
INSERT INTO ExamTitle (ExamID, UserName, ExamDate, NumOfQuestions, ExamResult) VALUES
    (1, 'cleo', '2026-01-05 10:00:00', 50, 40),
    (2, 'cleo', '2026-01-06 10:00:00', 50, 40),
    (3, 'cleo', '2026-01-07 10:00:00', 50, 40),
    (4, 'cleo', '2026-01-08 10:00:00', 50, 40),
    (5, 'cleo', '2026-01-09 10:00:00', 50, 40),
    (6, 'cleo', '2026-01-10 10:00:00', 50, 40),
    (7, 'cleo', '2026-01-11 10:00:00', 50, 40),
    (8, 'cleo', '2026-01-12 10:00:00', 50, 40),
    (9, 'cleo', '2026-01-13 10:00:00', 50, 40),
    (10, 'cleo', '2026-01-14 10:00:00', 50, 40),
    (11, 'bob', '2026-02-02 10:00:00', 30, 18),
    (12, 'bob', '2026-02-03 10:00:00', 30, 18),
    (13, 'bob', '2026-02-04 10:00:00', 30, 18),
    (14, 'bob', '2026-02-05 10:00:00', 30, 18),
    (15, 'bob', '2026-02-06 10:00:00', 30, 18),
    (16, 'bob', '2026-02-07 10:00:00', 30, 18),
    (17, 'bob', '2026-02-08 10:00:00', 30, 18),
    (18, 'bob', '2026-02-09 10:00:00', 30, 18),
    (19, 'bob', '2026-02-10 10:00:00', 30, 18),
    (20, 'bob', '2026-02-11 10:00:00', 30, 18),
    (21, 'bob', '2026-02-12 10:00:00', 30, 18),
    (22, 'bob', '2026-02-13 10:00:00', 30, 18),
    (23, 'ann', '2026-03-02 10:00:00', 10, 3),
    (24, 'ann', '2026-03-03 10:00:00', 10, 3),
    (25, 'ann', '2026-03-04 10:00:00', 10, 3),
    (26, 'ann', '2026-03-05 10:00:00', 10, 3),
    (27, 'ann', '2026-03-06 10:00:00', 10, 3),
    (28, 'ann', '2026-03-07 10:00:00', 10, 3),
    (29, 'ann', '2026-03-08 10:00:00', 10, 3),
    (30, 'ann', '2026-03-09 10:00:00', 10, 3),
    (31, 'ann', '2026-03-10 10:00:00', 10, 3),
    (32, 'ann', '2026-03-11 10:00:00', 10, 3),
    (33, 'ann', '2026-03-20 10:00:00', 10, 8),
    (34, 'ann', '2026-03-21 10:00:00', 10, NULL);
INSERT INTO PracticeExams (ExamID) VALUES
    (33);
INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES
    (1, 'cleo', 1001, 'B', -1),
    (1, 'cleo', 1002, 'D', -1),
    (1, 'cleo', 1003, 'AC', -1),
    (1, 'cleo', 1005, 'A', -1),
    (1, 'cleo', 1007, 'B', -1),
    (1, 'cleo', 1008, 'F', -1),
    (2, 'cleo', 1001, 'B', -1),
    (2, 'cleo', 1002, 'D', -1),
    (2, 'cleo', 1003, 'AC', -1),
    (2, 'cleo', 1005, 'A', -1),
    (2, 'cleo', 1007, 'B', -1),
    (2, 'cleo', 1008, 'F', -1),
    (3, 'cleo', 1001, 'B', -1),
    (3, 'cleo', 1002, 'C', -1),
    (3, 'cleo', 1003, 'AC', -1),
    (3, 'cleo', 1005, 'A', -1),
    (3, 'cleo', 1007, 'B', -1),
    (3, 'cleo', 1008, 'F', -1),
    (4, 'cleo', 1001, 'B', -1),
    (4, 'cleo', 1002, 'C', -1),
    (4, 'cleo', 1003, 'AC', -1),
    (4, 'cleo', 1005, 'A', -1),
    (4, 'cleo', 1007, 'B', -1),
    (4, 'cleo', 1008, 'F', -1),
    (5, 'cleo', 1001, 'B', -1),
    (5, 'cleo', 1002, 'C', -1),
    (5, 'cleo', 1003, 'ac', -1),
    (5, 'cleo', 1005, 'A', -1),
    (5, 'cleo', 1007, 'B', -1),
    (6, 'cleo', 1001, 'B', -1),
    (6, 'cleo', 1002, 'C', -1),
    (6, 'cleo', 1003, 'ABC', -1),
    (6, 'cleo', 1005, 'A', -1),
    (6, 'cleo', 1007, 'B', -1),
    (7, 'cleo', 1001, 'B', -1),
    (7, 'cleo', 1002, 'C', -1),
    (7, 'cleo', 1005, 'A', -1),
    (7, 'cleo', 1007, 'B', -1),
    (8, 'cleo', 1001, 'B', -1),
    (8, 'cleo', 1002, 'C', -1),
    (8, 'cleo', 1005, 'A', -1),
    (8, 'cleo', 1007, 'B', -1),
    (9, 'cleo', 1001, 'B', -1),
    (9, 'cleo', 1002, 'C', -1),
    (9, 'cleo', 1005, 'A', -1),
    (9, 'cleo', 1007, 'B', -1),
    (10, 'cleo', 1001, 'B', -1),
    (10, 'cleo', 1002, 'C', -1),
    (10, 'cleo', 1005, 'A', -1),
    (10, 'cleo', 1007, 'B', -1),
    (11, 'bob', 1001, 'B', -1),
    (11, 'bob', 1003, 'AC', -1),
    (11, 'bob', 1005, 'A', -1),
    (11, 'bob', 1006, 'C', -1),
    (11, 'bob', 1007, 'B', -1),
    (12, 'bob', 1001, 'B', -1),
    (12, 'bob', 1003, 'A', -1),
    (12, 'bob', 1005, 'A', -1),
    (12, 'bob', 1006, 'C', -1),
    (13, 'bob', 1001, 'B', -1),
    (13, 'bob', 1003, 'A', -1),
    (13, 'bob', 1005, 'A', -1),
    (13, 'bob', 1006, 'C', -1),
    (14, 'bob', 1001, 'B', -1),
    (14, 'bob', 1003, 'CE', -1),
    (14, 'bob', 1005, 'A', -1),
    (14, 'bob', 1006, 'C', -1),
    (15, 'bob', 1001, 'B', -1),
    (15, 'bob', 1003, 'CE', -1),
    (15, 'bob', 1005, 'a', -1),
    (15, 'bob', 1006, 'C', -1),
    (16, 'bob', 1001, 'B', -1),
    (16, 'bob', 1003, '', 0),
    (16, 'bob', 1005, 'A', -1),
    (16, 'bob', 1006, 'A', -1),
    (17, 'bob', 1001, 'B', -1),
    (17, 'bob', 1005, 'A', -1),
    (17, 'bob', 1006, 'A', -1),
    (18, 'bob', 1001, 'B', -1),
    (18, 'bob', 1005, 'A', -1),
    (18, 'bob', 1006, 'A', -1),
    (19, 'bob', 1001, 'A', -1),
    (19, 'bob', 1005, 'A', -1),
    (19, 'bob', 1006, 'D', -1),
    (20, 'bob', 1001, 'A', -1),
    (20, 'bob', 1005, 'A', -1),
    (20, 'bob', 1006, 'D', -1),
    (21, 'bob', 1001, 'D', -1),
    (21, 'bob', 1005, 'A', -1),
    (21, 'bob', 1006, 'D', -1),
    (22, 'bob', 1001, NULL, 0),
    (22, 'bob', 1005, 'B', -1),
    (22, 'bob', 1006, 'D', -1),
    (23, 'ann', 1001, 'B', -1),
    (23, 'ann', 1002, 'D', -1),
    (23, 'ann', 1004, 'A', -1),
    (23, 'ann', 1006, 'A', -1),
    (23, 'ann', 1008, 'E', -1),
    (24, 'ann', 1001, 'B', -1),
    (24, 'ann', 1002, 'D', -1),
    (24, 'ann', 1004, 'B', -1),
    (24, 'ann', 1006, 'A', -1),
    (24, 'ann', 1008, 'E', -1),
    (25, 'ann', 1001, 'A', -1),
    (25, 'ann', 1002, 'D', -1),
    (25, 'ann', 1004, 'B', -1),
    (25, 'ann', 1006, 'A', -1),
    (25, 'ann', 1008, NULL, 0),
    (26, 'ann', 1001, 'A', -1),
    (26, 'ann', 1002, 'D', -1),
    (26, 'ann', 1004, 'B', -1),
    (26, 'ann', 1006, 'A', -1),
    (26, 'ann', 1008, NULL, 0),
    (27, 'ann', 1001, 'A', -1),
    (27, 'ann', 1002, 'D', -1),
    (27, 'ann', 1004, 'B', -1),
    (27, 'ann', 1006, 'B', -1),
    (28, 'ann', 1001, 'A', -1),
    (28, 'ann', 1002, 'D', -1),
    (28, 'ann', 1004, 'C', -1),
    (28, 'ann', 1006, 'B', -1),
    (29, 'ann', 1001, 'D', -1),
    (29, 'ann', 1002, 'D', -1),
    (29, 'ann', 1004, 'C', -1),
    (29, 'ann', 1006, 'B', -1),
    (30, 'ann', 1001, 'D', -1),
    (30, 'ann', 1002, 'D', -1),
    (30, 'ann', 1004, NULL, 0),
    (30, 'ann', 1006, 'D', -1),
    (31, 'ann', 1001, 'D', -1),
    (31, 'ann', 1002, 'A', -1),
    (31, 'ann', 1006, 'D', -1),
    (32, 'ann', 1001, 'D', -1),
    (32, 'ann', 1002, 'A', -1),
    (32, 'ann', 1006, 'D', -1),
    (33, 'ann', 1001, 'C', -1),
    (33, 'ann', 1004, 'B', -1),
    (34, 'ann', 1001, 'C', -1),
    (34, 'ann', 1004, 'B', -1);
