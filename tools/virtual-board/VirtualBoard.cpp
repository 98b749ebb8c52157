#include "VirtualBoard.h"
