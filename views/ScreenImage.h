#pragma once
// Conversion of a DibImage (colour values 0x00BBGGRR, top row first) into a QImage for
// painting. Works in place on a reused QImage; never keeps a reference to the source.

#include <QImage>

class DibImage;

// Makes target a 32-bit RGB copy of image (reallocated only when the size changes).
// An empty image gives a null target.
void copyToQImage(const DibImage& image, QImage& target);
