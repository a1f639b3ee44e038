#pragma once

#include <QString>

// Program-wide state, alive for the whole run, and the shared procedures that need no widgets. The
// variables of database types live in data/DataGlobals.h; the procedures that work on screens in
// platform/GenModuleUi.h.
extern QString gDbPath; // folder that holds Exam.mdb
extern bool gQuitNoPrompt; // close the main window without asking
extern bool gMenuLoaded;
extern bool gExamLoaded;
extern bool gViewExamLoaded;
extern QString gMsgResult; // answer code of the last message box, as decimal text
extern int gIndex; // shared loop counter
extern int gNumOfQuestions; // 10, 30 or 50
extern int gTimeLeft; // exam time left, in seconds
// Exam keys are 32-bit: a 16-bit key would wrap past 32767 and attach answers to another exam.
extern qint32 gExamID;
extern QString gUserName;

// True for a file of any attributes (hidden, read-only, ...); false for a folder or nothing.
bool FileExists(const QString &path);
// A random token made for this run of the program: marks what this run keeps alive.
QString RunToken();
void SetRunToken(const QString &token);

// Folder of the program itself (tests may place the program elsewhere).
QString AppFolder();
void SetAppFolder(const QString &folder);
