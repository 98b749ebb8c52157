#include "ui/loggerDialog.h"

loggerDialog* theDialog = nullptr;
int currentPage = 0;
char segmentFrame[134] = {};
char ledFrame[70] = {};
wxCheckBox* maskBoxes[32] = {};
wxTextCtrl* axisFields[16] = {};
