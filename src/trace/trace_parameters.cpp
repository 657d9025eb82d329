#include "trace/trace_parameters.h"

void declareTraceParameters(ParamList* params) {
    declareParams(params, kTraceParams);
}
