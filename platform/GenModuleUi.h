#pragma once

#include <QList>
#include <QString>

#include "core/GenModule.h"

class QWidget;

// The program-wide procedures that work on screens, the desktop or the program's look.
// Closes `form` (its closing handler runs) when it is one of the loaded screens.
bool UnloadIfLoaded(QWidget *form);
// Asks the desktop shell to open a companion document or a web address.
void OpenDocument(const QString &fileName);

// The loaded screens, in the order they were loaded.
void RegisterLoadedForm(QWidget *form);
void UnregisterLoadedForm(QWidget *form);
QList<QWidget *> LoadedForms();

// The program's look: its screens are laid out for a compact sans-serif face.
void ApplyProgramFont();

// Makes the program's pictures available (they live in the static library).
void InitResources();
