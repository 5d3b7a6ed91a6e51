// A mutator for the targets that read metafiles. Byte flips rarely turn one record into
// thousands, yet the costly files are floods: a region of thousands of staggered strips, a
// font made and used anew for every text. Now and then this builds one from the input, then
// lets the fuzzer's own mutations work on it as usual.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);

namespace {

uint32_t get32(const uint8_t *p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void put32(uint8_t *p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}

struct Record
{
    size_t offset;
    uint32_t type;
    uint32_t size;
};

// The records of an EMF, up to the first one that does not fit.
std::vector<Record> emfRecords(const uint8_t *data, size_t size)
{
    std::vector<Record> records;
    if (size < 88 || get32(data) != 1 || std::memcmp(data + 40, " EMF", 4) != 0)
        return records;
    for (size_t at = 0; at + 8 <= size;) {
        const uint32_t length = get32(data + at + 4);
        if (length < 8 || length % 4 || length > size - at)
            break;
        records.push_back({at, get32(data + at), length});
        at += length;
    }
    return records;
}

// Where a region record's region data begins, and where its byte count is; 0 for other records.
struct RegionPlace
{
    size_t count;
    size_t data;
};

RegionPlace regionPlace(uint32_t type)
{
    switch (type) {
    case 71: // FILLRGN
    case 72: // FRAMERGN
        return {24, type == 71 ? size_t(32) : size_t(40)};
    case 73: // INVERTRGN
    case 74: // PAINTRGN
        return {24, 28};
    case 75: // EXTSELECTCLIPRGN
        return {8, 16};
    default:
        return {0, 0};
    }
}

// Replaces a region record's rectangles with staggered strips: each a row lower and a little
// right of the one before, so that the region has a band at every row.
std::vector<uint8_t> staggeredRegion(const uint8_t *data, size_t size, const Record &record,
                                     size_t maxSize, std::mt19937 &random)
{
    const RegionPlace place = regionPlace(record.type);
    const size_t fixed = size - record.size + place.data + 32;
    if (fixed + 16 > maxSize)
        return {};
    const size_t room = (maxSize - fixed) / 16;
    const uint32_t count = 1 + random() % uint32_t(std::min<size_t>(room, 4000));
    const int32_t step = 1 + int32_t(random() % 3);
    std::vector<uint8_t> out(data, data + record.offset + place.data);
    const size_t recordStart = record.offset;
    const uint32_t header[8] = {32, 1, count, count * 16, 0, 0, uint32_t(step) * count, count * 2};
    out.resize(out.size() + 32);
    std::memcpy(out.data() + out.size() - 32, header, 32);
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t rect[4] = {int32_t(i) * step, int32_t(i), int32_t(i) * step + 1,
                                 int32_t(i + count)};
        out.resize(out.size() + 16);
        std::memcpy(out.data() + out.size() - 16, rect, 16);
    }
    const uint32_t length = uint32_t(out.size() - recordStart);
    put32(out.data() + recordStart + 4, length);
    put32(out.data() + recordStart + place.count, length - uint32_t(place.data));
    out.insert(out.end(), data + record.offset + record.size, data + size);
    return out;
}

// Repeats a run of records many times, each copy with one word changed: a new face name, a
// new height, a new position.
std::vector<uint8_t> flood(const uint8_t *data, size_t size, const std::vector<Record> &records,
                           size_t maxSize, std::mt19937 &random)
{
    // Not the header, and not the end-of-file record.
    if (records.size() < 3)
        return {};
    const size_t first = 1 + random() % (records.size() - 2);
    const size_t last = std::min(records.size() - 2, first + random() % 4);
    const size_t begin = records[first].offset;
    const size_t end = records[last].offset + records[last].size;
    const size_t run = end - begin;
    if (size + run > maxSize)
        return {};
    const size_t copies = 1 + random() % std::min<size_t>((maxSize - size) / run, 2000);
    std::vector<uint8_t> out(data, data + end);
    for (size_t c = 0; c < copies; ++c) {
        const size_t at = out.size();
        out.insert(out.end(), data + begin, data + end);
        // One word past each record's type and size, in one of the records.
        const Record &changed = records[first + random() % (last - first + 1)];
        if (changed.size > 8) {
            const size_t word = 8 + 4 * (random() % ((changed.size - 8) / 4));
            const size_t place = at + (changed.offset - begin) + word;
            put32(out.data() + place, get32(out.data() + place) + uint32_t(c + 1));
        }
    }
    out.insert(out.end(), data + end, data + size);
    return out;
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize,
                                          unsigned int seed)
{
    std::mt19937 random(seed);
    if (random() % 8 == 0) {
        const std::vector<Record> records = emfRecords(data, size);
        std::vector<uint8_t> built;
        if (!records.empty()) {
            std::vector<const Record *> regions;
            for (const Record &record : records)
                if (regionPlace(record.type).data && record.size >= regionPlace(record.type).data)
                    regions.push_back(&record);
            if (!regions.empty() && random() % 2)
                built = staggeredRegion(data, size, *regions[random() % regions.size()], maxSize,
                                        random);
            else
                built = flood(data, size, records, maxSize, random);
        }
        if (!built.empty() && built.size() <= maxSize) {
            // The header's byte and record counts follow, as a writer would set them.
            put32(built.data() + 48, uint32_t(built.size()));
            put32(built.data() + 52, uint32_t(emfRecords(built.data(), built.size()).size()));
            std::memcpy(data, built.data(), built.size());
            return built.size();
        }
    }
    return LLVMFuzzerMutate(data, size, maxSize);
}
