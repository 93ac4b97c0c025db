// Entry points of the batch jobs the action button starts, and the encoder lists of the CD
// bar. Each subsystem replaces its own entry here with the real one.
#include "app/form1.h"

#include "app/settings.h"

#include <QComboBox>

// The extraction batch over the selected tracks.
void Form1::cmdStart_Click() { showNotAvailable(QStringLiteral("CD extraction")); }
