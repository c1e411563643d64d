#include "transport/server_thread.h"

#include <cerrno>
#include <chrono>
#include <system_error>
#include <utility>

#include "transport/system_error.h"

namespace {

// Pause after an accept that failed for want of descriptors or memory: the
// connection stays queued, so retrying at once would spin.
constexpr std::chrono::milliseconds kAcceptBackOff{50};

bool IsResourceShortage(int error)
{
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

} // namespace

TServerThread::TServerThread(TIPSocket& listenSocket, TClientCallback onClient, bool startNow,
                             std::shared_ptr<TClientData> data)
    : ListenSocket(listenSocket),
      OnClient(std::move(onClient)),
      Data(std::move(data)),
      Limiter(std::make_shared<TConnectionLimiter>(kMaxConnections, kMaxConnectionsPerAddress))
{
    if (startNow)
        Start();
}

TServerThread::~TServerThread()
{
    Stop();
}

bool TServerThread::Start()
{
    if (Handle.joinable())
        return false;
    Terminated = false;
    Wake.Reset();
    try {
        Handle = std::thread([this] { AcceptLoop(); });
    } catch (const std::system_error& error) {
        SetLastSystemError(error.code().value());
        return false;
    }
    return true;
}

bool TServerThread::Stop()
{
    if (!Handle.joinable())
        return false;
    Terminated = true;
    Wake.Signal();
    try {
        Handle.join();
    } catch (const std::system_error&) {
        // Only a join from the accept thread itself fails; let it run out.
        Handle.detach();
    }
    return true;
}

// Runs on the accept thread.
void TServerThread::AcceptLoop()
{
    // While the loop runs the listening socket is non-blocking, so an accept
    // after a readiness report cannot hang on a connection that went away
    // meanwhile and hold up Stop.
    ListenSocket.SetBlocking(false);
    while (!Terminated && ListenSocket.IsListening()) {
        try {
            if (!ListenSocket.WaitReadable(AcceptWaitMs, Wake.Descriptor()))
                continue;
            std::unique_ptr<TIPSocket> client = ListenSocket.Accept();
            if (client == nullptr) {
                if (IsResourceShortage(GetLastSystemError()))
                    std::this_thread::sleep_for(kAcceptBackOff);
                continue;
            }
            TClientThread::Launch(std::move(client), OnClient, Data, Limiter);
        } catch (...) {
            // A connection that could not be set up is closed by its owner's
            // destructor; the server goes on.
            std::this_thread::sleep_for(kAcceptBackOff);
        }
    }
    ListenSocket.SetBlocking(true);
}

bool TClientThread::Launch(std::unique_ptr<TIPSocket> socket, const TClientCallback& onClient,
                           std::shared_ptr<TClientData> data, std::shared_ptr<TConnectionLimiter> limiter)
{
    if (socket == nullptr)
        return false;
    // Any early return destroys `socket`, which closes the connection.
    try {
        TConnectionSlot slot(std::move(limiter), socket->PeerAddress());
        if (!slot.Held()) {
            SetLastSystemError(EAGAIN);
            return false;
        }
        auto client =
            std::make_unique<TClientThread>(TPassKey{}, std::move(socket), onClient, std::move(data), std::move(slot));
        // The thread owns the object: it is destroyed when the thread's
        // function ends, or here if the thread cannot start.
        std::thread([client = std::move(client)] { client->Run(); }).detach();
        return true;
    } catch (const std::system_error& error) {
        SetLastSystemError(error.code().value());
    } catch (...) {
        SetLastSystemError(ENOMEM);
    }
    return false;
}

TClientThread::TClientThread(TPassKey, std::unique_ptr<TIPSocket> socket, TClientCallback onClient,
                             std::shared_ptr<TClientData> data, TConnectionSlot slot)
    : Socket(std::move(socket)), Data(std::move(data)), OnClient(std::move(onClient)), Slot(std::move(slot))
{
}

TClientThread::~TClientThread()
{
    // The place is given back last, once the connection is closed and
    // nothing of the server's is held any more.
    Socket.reset();
    Data.reset();
    OnClient = nullptr;
}

// Runs on the connection thread.
void TClientThread::Run()
{
    try {
        if (OnClient)
            OnClient(*this);
    } catch (...) {
        // A failing handler still ends its connection normally below.
    }
    Socket.reset();
}
