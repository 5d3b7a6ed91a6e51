// The test programs that show pictures use the decoder of this build tree.

#include "decoder/decoderclient.h"

namespace {

const bool s_decoderSet = [] {
    DecoderClient::setDefaultProgram(QStringLiteral(POTERO_DECODER_PROGRAM));
    return true;
}();

} // namespace
