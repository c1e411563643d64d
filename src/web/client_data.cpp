#include "web/client_data.h"

int DrainCommandQueue(TCommandQueue& queue, const std::function<void(const TPelcoCommandItem&)>& send,
                      int maxItems)
{
    int sent = 0;
    while (sent < maxItems) {
        const std::unique_ptr<TPelcoCommandItem> item = queue.PopFirst();
        if (!item)
            break;
        ++sent;
        send(*item);
    }
    return sent;
}
