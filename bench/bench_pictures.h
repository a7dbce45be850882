// Pictures the benchmarks make for themselves.
#pragma once

#include "dib/dib.h"

#include <memory>
#include <string>

// A width x height picture of the given depth with varied pixel bytes.
std::unique_ptr<CDib> MakeBenchPicture(int width, int height, int bits);

// The same picture as a BMP file in the temporary directory, written once per process.
std::string BenchPictureFile(int width, int height, int bits);
