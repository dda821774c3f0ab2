// The backend interface's out-of-line parts and the letterbox placement of a scaled picture.
#include "app/backend.h"

TBackend::~TBackend() = default;

bool LetterboxRect(unsigned dw, unsigned dh, unsigned ww, unsigned wh, double* scale, double* left,
                   double* top)
{
    *scale = 1.0;
    *left = *top = 0.0;
    if (!dw || !dh || !ww || !wh || (ww == dw && wh == dh))
        return false;
    const double sx = double(ww) / dw, sy = double(wh) / dh;
    *scale = sx < sy ? sx : sy;
    *left = (ww - dw * *scale) / 2;
    *top = (wh - dh * *scale) / 2;
    return true;
}

namespace
{
TBackendFactory gBackendFactory = nullptr;
}  // namespace

void SetPlatformBackendFactory(TBackendFactory factory)
{
    gBackendFactory = factory;
}

TBackendFactory GetPlatformBackendFactory()
{
    return gBackendFactory;
}
