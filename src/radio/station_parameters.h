// The station's 101 parameters: their declaration and the index of each, which is part of the
// node's interface (scenes and the station's own reads address them by it).
#pragma once

#include "plugin/renderer.h"

/// Slots per kind of broadcast value.
constexpr int kStationSlots = 10;

/// `color`, the input the station passes through.
constexpr int kStationColorParam = 0;
/// Slot `i` (0 .. 9) of each kind: its value, then, ten indices later, its frequency.
constexpr int colorValueParam(int i) {
    return 1 + i;
}
constexpr int colorFreqParam(int i) {
    return 11 + i;
}
constexpr int scalarValueParam(int i) {
    return 21 + i;
}
constexpr int scalarFreqParam(int i) {
    return 31 + i;
}
constexpr int integerValueParam(int i) {
    return 41 + i;
}
constexpr int integerFreqParam(int i) {
    return 51 + i;
}
constexpr int booleanValueParam(int i) {
    return 61 + i;
}
constexpr int booleanFreqParam(int i) {
    return 71 + i;
}
constexpr int vectorValueParam(int i) {
    return 81 + i;
}
constexpr int vectorFreqParam(int i) {
    return 91 + i;
}
constexpr int kStationParamCount = 101;

/// Declares `color`, then per kind its ten values ("colors0" ..) and its ten frequencies
/// ("color0Freq" ..), in index order.
void declareStationParameters(ParamList* params);
