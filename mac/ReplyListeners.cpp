#include "mac/ReplyListeners.h"

namespace mac {

ReplyListener *ReplyListeners::listenerFor(const LocalInterface &local, in_addr destination,
                                           ReplyListener::OpenError *error)
{
    // Held while opening: the workers that start together wait for the one
    // socket rather than each open one of their own.
    const std::lock_guard lock(m_mutex);
    if (m_notAllowed) {
        *error = ReplyListener::OpenError::NotAllowed;
        return nullptr;
    }
    for (const std::unique_ptr<ReplyListener> &listener : m_open) {
        if (listener->serves(local.index, destination)) {
            *error = ReplyListener::OpenError::None;
            return listener.get();
        }
    }
    std::unique_ptr<ReplyListener> opened = ReplyListener::open(local, destination, error);
    if (!opened) {
        m_notAllowed = *error == ReplyListener::OpenError::NotAllowed;
        return nullptr;
    }
    m_open.push_back(std::move(opened));
    return m_open.back().get();
}

} // namespace mac
