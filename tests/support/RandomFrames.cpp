#include "RandomFrames.h"

namespace kestrel_test {

DSPFrame randomFrame(QRandomGenerator& random, int wordCount) {
    DSPFrame frame;
    for (quint8& byte : frame.address) byte = quint8(random.bounded(256));
    frame.command = quint16(random.bounded(65536));
    frame.words.resize(wordCount);
    for (quint32& word : frame.words) word = random.generate();
    return frame;
}

}  // namespace kestrel_test
