#pragma once
// The geometry both image sliders share: the knob moves along a track that is inset by half
// a knob width at each end; knob and track are centred vertically. Integer arithmetic.
#include <QSize>

struct SliderGeometry {
    int half;         // half the knob width
    int trackLength;  // widget width less a knob width
    int knobTop;
    int barTop;

    SliderGeometry(QSize widget, QSize knob, int trackHeight)
        : half(knob.width() / 2), trackLength(widget.width() - 2 * half),
          knobTop((widget.height() - knob.height()) / 2),
          barTop(knobTop + (knob.height() - trackHeight) / 2)
    {
    }
};
