// The callback tables of the library's node types, one defined beside each node.
#pragma once

#include "plugin/renderer.h"

extern const NodeMethods kBlockerMethods;
extern const NodeMethods kTraceMethods;
extern const NodeMethods kRadioStationMethods;
extern const NodeMethods kRadioColorMethods;
extern const NodeMethods kRadioScalarMethods;
extern const NodeMethods kRadioIntegerMethods;
extern const NodeMethods kRadioBooleanMethods;
extern const NodeMethods kRadioVectorMethods;
