#pragma once

#include <vector>

#include <QString>

// What the progress chart draws, ready to draw: built from the database by ProgressData, shown
// by the chart view, which knows nothing of the database (it is loaded on first use).
struct ProgressChart {
    enum class Kind { FullExams, PracticeExams, PassMark, Category };
    struct Point {
        double x = 0; // the exam's place among the candidate's scored exams, from 1
        double y = 0; // percent
        qint32 examId = 0;
        QString tip; // what hovering the point shows
    };
    struct Line {
        Kind kind = Kind::FullExams;
        QString name;
        std::vector<Point> points;
    };

    QString candidate;
    int passMark = 65;
    int exams = 0; // scored exams drawn, full and practice: the x axis runs 1..exams
    std::vector<Line> lines; // full exams, practice exams, the pass mark, then one per category

    const Line *line(const QString &name) const
    {
        for (const Line &l : lines) {
            if (l.name == name)
                return &l;
        }
        return nullptr;
    }
};
