// Styled-text markup laid out in a box whose width comes from the input (0 included), then
// measured, picked, scrolled and drawn (without a renderer the spans are converted and dropped).
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/minivecdraw.h"
#include "text/mvec.h"
#include "text/textgraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    // Widths 0..1023, sizes 0..63, flags 0..15.
    const unsigned width = (unsigned(data[0]) << 8 | data[1]) & 1023;
    const unsigned fontSize = data[2] & 63;
    const unsigned flags = data[3] & 15;
    TTextGraphic::mLegacyLineWrap = (data[3] & 16) != 0;
    const std::string text(reinterpret_cast<const char*>(data + 4), size - 4);

    TTextGraphic* t =
        TTextGraphic::Create(str(text.c_str(), text.size()), width, 200, flags,
                             (data[3] & 32) ? "fonts/none.mvec" : "__DEFAULT", fontSize, TColor(1, 1, 1, 1));
    TRect bounds;
    t->GetTextBounds(&bounds, 1.0f);
    t->GetMaxScroll(1.0f, 2);
    const TPoint p(int(width / 2), 10);
    t->Pick(p, 2);
    t->Rollover(&p, 2);
    if (data[3] & 64)
        t->SetRotation(float(data[0]), 10, 10);
    t->SetScroll(float(data[1] & 3) * 0.5f);
    t->Draw(TVec2(3.5f, -2.25f), 256, (data[3] & 128) ? 1.5f : 1.0f, 1, 1.0f, nullptr);
    TTextGraphic::Destroy(t);
    return 0;
}
