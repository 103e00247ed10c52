#pragma once

#include "net/dispatcher.h"
#include "net/protocol.h"

#include <functional>
#include <type_traits>
#include <utility>

namespace vorlith::net {

/// Routes the lines of a Dispatcher to handlers that take the message, read
/// once from the line:
/// \code
///     MessageRouter router(dispatcher);
///     router.route<proto::HisWord>([this](const proto::HisWord &w) { onWordAccepted(w); });
/// \endcode
/// A line that does not read (a number field that is not a number) reaches
/// no handler: its error goes to the dispatcher's error handler, as any
/// error that ends a handler does.
class MessageRouter
{
public:
    /// Whether a line from \a origin with command word \a word is handled at
    /// all. It is asked before the line is read, so that a line nobody would
    /// take is dropped without a word, however malformed.
    using Guard = std::function<bool(const char *word, const LineOrigin &origin)>;

    explicit MessageRouter(Dispatcher &dispatcher) : m_dispatcher(dispatcher) {}
    MessageRouter(const MessageRouter &) = delete;
    MessageRouter &operator=(const MessageRouter &) = delete;

    void setGuard(Guard guard) { m_guard = std::move(guard); }

    /// Makes \a handler the handler of M's command word: called as
    /// handler(const M &) or handler(const M &, const LineOrigin &). A word
    /// already in the dispatcher's table keeps its place in it.
    template <proto::Message M, typename F> void route(F handler)
    {
        static_assert(std::is_invocable_v<F &, const M &> ||
                          std::is_invocable_v<F &, const M &, const LineOrigin &>,
                      "a handler takes the message, and may take its origin");
        install(M::Word, [this, handler = std::move(handler)](const QString &fields,
                                                              const LineOrigin &origin) mutable {
            if (m_guard && !m_guard(M::Word, origin))
                return;
            const M message = M::decode(fields);
            if constexpr (std::is_invocable_v<F &, const M &, const LineOrigin &>)
                handler(message, origin);
            else
                handler(message);
        });
    }

    /// Makes a member function of \a object the handler of M's command word.
    template <proto::Message M, typename C>
    void route(C *object, void (C::*handler)(const M &, const LineOrigin &))
    {
        route<M>([object, handler](const M &m, const LineOrigin &origin) {
            (object->*handler)(m, origin);
        });
    }
    template <proto::Message M, typename C> void route(C *object, void (C::*handler)(const M &))
    {
        route<M>([object, handler](const M &m) { (object->*handler)(m); });
    }

    /// Takes M's lines and does nothing with them (they are not dropped as
    /// unknown, and are not read).
    template <proto::Message M> void ignore()
    {
        install(M::Word, [](const QString &, const LineOrigin &) {});
    }

private:
    void install(const char *word, Dispatcher::Handler handler)
    {
        if (m_dispatcher.hasCommand(word))
            m_dispatcher.setHandler(word, std::move(handler));
        else
            m_dispatcher.addCommand(word, std::move(handler));
    }

    Dispatcher &m_dispatcher;
    Guard m_guard;
};

} // namespace vorlith::net
