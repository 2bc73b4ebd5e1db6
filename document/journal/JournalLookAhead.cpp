#include "document/journal/JournalLookAhead.h"

#include <algorithm>

#include "document/journal/JournalFormat.h"
#include "document/journal/JournalRecordView.h"

JournalLookAhead::JournalLookAhead(std::string_view bytes, std::size_t distance)
    : rest(bytes.substr(std::min(bytes.size(), JournalFormat::headerSize))) {
    for (std::size_t i = 0; i < distance; ++i) {
        Skip();
    }
}

JournalFormat::Frame JournalLookAhead::Skip() {
    const JournalFormat::Frame frame = JournalFormat::UncheckedFrame(rest);
    rest =
        frame.check == JournalFormat::Frame::Check::Complete ? rest.substr(frame.size) : std::string_view();
    return frame;
}

bool JournalLookAhead::Next(double& latitude, double& longitude) {
    const JournalFormat::Frame frame = Skip();
    if (frame.check != JournalFormat::Frame::Check::Complete) {
        return false;
    }
    const std::string_view objects = JournalFormat::UncheckedObjectsField(frame.kind, frame.payload);
    // Its count, then the first object, read as the record's own view reads it.
    if (objects.size() < 4 + JournalFormat::objectMinimum || JournalRecordView::U32(objects.data()) == 0) {
        return false;
    }
    const JournalRecordView::Object first = *JournalRecordView::Objects::Iterator(objects.data() + 4);
    latitude = first.latitude;
    longitude = first.longitude;
    return true;
}
