/* The power-of-two square side a picture is padded to in memory. */
#include "imagedecode.h"

int QfImageSquareSide(long width, long height)
{
    long larger = width > height ? width : height;
    long side = 1;
    if (width <= 0 || height <= 0)
        return 0;
    while (side < larger)
    {
        side <<= 1;
        if (side > kQfMaxImageSide)
            return 0;
    }
    return (int)side;
}
