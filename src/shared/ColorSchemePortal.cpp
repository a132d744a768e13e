#include "ColorSchemePortal.h"

ColorSchemePortal::~ColorSchemePortal() = default;
