#pragma once

// What the suites that drive the screens over a real exam database all include.
#include <QtTest>
#include <QtWidgets>

#include "SessionCases.h"
#include "TestSupport.h"
#include "core/AppExit.h"
#include "core/GenModule.h"
#include "data/DataGlobals.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "platform/SystemBeep.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/frmMain.h"

using TestSupport::box;
using TestSupport::click;
using namespace Qt::StringLiterals;
