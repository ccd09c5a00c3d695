// The item reader over any text: every item, the line it began on and its leading number.
#include "FuzzSupport.h"
#include "base/Cp932.h"
#include "base/ItemReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = Cp932::Decode(FuzzSupport::Bytes(data, size));
    ItemReader reader(text);
    (void)reader.AtEnd();
    qsizetype items = 0;
    int line = 1;
    while (auto item = reader.Next()) {
        // Every item but a trailing comma's takes at least one character, so the reader cannot
        // hand out more; lines only grow.
        if (++items > text.size() + 1 || reader.Line() < line)
            __builtin_trap();
        line = reader.Line();
        (void)reader.AtEnd();
        bool isNumber = true;
        const double number = ItemReader::LeadingNumber(*item, &isNumber);
        if (!isNumber && number != 0)
            __builtin_trap();
    }
    return 0;
}
