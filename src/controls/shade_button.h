#pragma once
// CShadeButton is declared with its base class.
#include "controls/skin_button.h"
