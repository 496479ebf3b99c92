#include "app/Globals.h"

std::string sImageFile_g;
