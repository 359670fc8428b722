// The entry point of the GDAL reader module; everything else in it stays hidden.

#include "gdal/GdalTexture.h"

extern "C" __attribute__((visibility("default"))) int qnReadGdalTexture(const std::uint8_t* data,
                                                                        std::size_t size,
                                                                        const char* name,
                                                                        QnTextureTarget* target) {
  return readGdalTexture(data, size, name, target);
}
