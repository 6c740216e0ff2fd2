#include "overlapped_poll.h"

Overlapped_poll::Outcome Overlapped_poll::wait(Os_handle handle, Os_overlapped& record,
                                               std::uint32_t limit) {
    Os_api& os = os_api();
    std::uint32_t looks = 0;
    for (;;) {
        ++looks;
        const bool ended = os.overlapped_status(&record) != os_const::status_pending;
        // The look past the limit does not count, even if the transfer has just ended: it is
        // cancelled all the same, so the outcome never depends on how late the last look was.
        if (looks > limit) {
            os.cancel_io(handle, &record);
            return {false, looks};
        }
        os.sleep_ms(1);
        if (ended) {
            return {true, looks};
        }
    }
}
