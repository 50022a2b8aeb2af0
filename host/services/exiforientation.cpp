#include "exiforientation.h"

namespace ExifOrientation {

namespace {

// Each code as a horizontal mirror of the stored picture followed by a
// clockwise turn; codes 1-8 in order.
struct Turn
{
    bool mirrored;
    int degrees;
};

const Turn kTurns[8] = {
    { false, 0 }, // 1
    { true, 0 }, // 2: mirrored left to right
    { false, 180 }, // 3
    { true, 180 }, // 4: mirrored top to bottom
    { true, 270 }, // 5: transposed
    { false, 90 }, // 6
    { true, 90 }, // 7: transversed
    { false, 270 }, // 8
};

Turn turnOf(int code)
{
    return kTurns[normalized(code) - 1];
}

int codeOf(const Turn& turn)
{
    const int degrees = ((turn.degrees % 360) + 360) % 360;
    for (int code = 1; code <= 8; ++code) {
        if (kTurns[code - 1].mirrored == turn.mirrored && kTurns[code - 1].degrees == degrees)
            return code;
    }
    return 1; // not a multiple of 90 degrees
}

} // namespace

int normalized(int code)
{
    return code >= 1 && code <= 8 ? code : 1;
}

bool swapsAxes(int code)
{
    return turnOf(code).degrees % 180 != 0;
}

QTransform transform(int code)
{
    const Turn turn = turnOf(code);
    QTransform transform;
    if (turn.mirrored)
        transform.scale(-1, 1);
    // Row vectors: the mirror above applies first, then the turn.
    return transform * QTransform().rotate(turn.degrees);
}

QImage upright(const QImage& stored, int code)
{
    if (stored.isNull() || normalized(code) == 1)
        return stored;
    // In two steps, each of which Qt does exactly: a transposing matrix in
    // one step goes through the general path and changes the format.
    const Turn turn = turnOf(code);
    const QImage mirrored = turn.mirrored ? stored.mirrored(true, false) : stored;
    return turn.degrees == 0 ? mirrored : mirrored.transformed(QTransform().rotate(turn.degrees));
}

QSize uprightSize(const QSize& stored, int code)
{
    return swapsAxes(code) ? stored.transposed() : stored;
}

int turned(int code, int degreesClockwise)
{
    Turn turn = turnOf(code);
    turn.degrees += degreesClockwise;
    return degreesClockwise % 90 == 0 ? codeOf(turn) : normalized(code);
}

} // namespace ExifOrientation
