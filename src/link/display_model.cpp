#include "link/display_model.h"

namespace meterlink {

bool InNormalMode(const MeterStatus& s) {
    return !(s.RelOn || s.CompOn || s.RefOn || s.UpperPercentOn || s.CdOn || s.FcHourOn ||
             s.LxHourOn || s.SetUpOn);
}

} // namespace meterlink
