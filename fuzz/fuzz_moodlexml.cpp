// Any file read as Moodle XML: the properties of every bank reader hold (BankFuzz.h).
#include <cstddef>
#include <cstdint>

#include "BankFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return BankFuzz::run(data, size, QuestionBank::Format::MoodleXml);
}
