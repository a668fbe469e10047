#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DeviceWindow.h"
#include "HandOver.h"
#include "Handler.h"
#include "Socket.h"

// How the link receives. The defaults are what the tool uses; the benchmarks also measure the
// first design's loop beside it (a fixed pause before every receive of one datagram, the system's
// socket buffer, no drain interval).
struct LinkTuning {
  // Runs on the receive thread before each receive; none by default. The benchmarks pause here.
  std::function<void()> beforeEachReceive;
  // Datagrams taken from the socket per receive.
  std::size_t receiveBatch = 64;
  // Receive buffer to ask the kernel for; 0 leaves the system default.
  int socketBufferBytes = 16 * 1024 * 1024;
  // Shortest time between two batches of effects handed to the window thread; 0 hands each
  // datagram's effects over as soon as the window thread is free. Every batch ends in a repaint
  // of the current tag, the count and the grid's scroll bar, which at an ordinary reader's rate
  // costs more than the reports themselves; 20 batches a second keep a report's way to the
  // screen well under 100 ms.
  std::chrono::milliseconds drainInterval{50};
  // How long a stop goes on carrying out effects the window had not got to yet; tag reports get
  // as long again. What is left is not shown, and the log says how many datagrams that was.
  std::chrono::milliseconds stopBudget{250};
};

// The tuning a UDPThread gets when its creator names none (the window names none).
LinkTuning& DefaultLinkTuning();

// The link: one UDP socket and two threads. The receive thread takes datagrams off the socket
// and, at ordinary rates, runs the handler chain on them itself: one thread wakes for a batch of
// datagrams, and while the window would not see their effects before its next drain anyway, it
// lets the datagrams gather in the socket's queue for a while rather than waking for each. Once
// a backlog builds (a burst, or a window that has fallen behind), it hands the datagrams to the
// chain thread instead, and only takes them off the socket into the process, so that a burst
// leaves the system's queue, which an unprivileged process cannot make large, as fast as it
// comes; the chain thread gives the chain back once it has worked the backlog off. Exists only
// while the window is connected; the window creates it, stops it and destroys it.
class UDPThread {
 public:
  using ChainFactory = std::function<std::unique_ptr<HandlerChain>(DeviceWindow&)>;

  // `address` and `port` are the texts of edtIP and edtPort, read once here. Effects of received
  // datagrams are carried out on `window` through `windowThread`.
  UDPThread(const std::string& address, const std::string& port, DeviceWindow& window,
            WindowThread& windowThread, ChainFactory buildChain = BuildHandlerChain,
            LinkTuning tuning = DefaultLinkTuning());
  // Waits until the link's threads have ended.
  ~UDPThread();
  UDPThread(const UDPThread&) = delete;
  UDPThread& operator=(const UDPThread&) = delete;

  // Sends the text as one datagram to the device. Errors are ignored.
  void Send(const std::string& text);
  // Ends the receive loop, closes the socket, destroys the handler chain, and carries out what
  // was received before within LinkTuning::stopBudget. The link is stopped even when an effect
  // throws; the first such error is thrown again at the end.
  void Stop();

  // The socket's local port, 0 before the first send.
  std::uint16_t LocalPort() const;
  // A line for the log when the system granted a smaller receive buffer than the link asked for
  // (an unprivileged process gets at most net.core.rmem_max), nothing otherwise.
  std::optional<std::string> ShortBufferNote() const;

 private:
  // Datagrams taken off the socket wait in the process, up to these bounds, until the chain has
  // run on them; only then does the system's queue fill, and its drops are counted. 65,536 tag
  // reports of some 100 bytes take about 10 MiB; 8 KiB datagrams stop at the byte bound. A stop
  // still runs the chain on all of them: a few hundred milliseconds at the most.
  static constexpr std::size_t kMaxIntakeDatagrams = 65536;
  static constexpr std::size_t kMaxIntakeBytes = 16 * 1024 * 1024;

  // Records a datagram's effects while the chain runs on the link thread, so that all of them
  // are handed to the window thread at once and carried out there in order.
  class EffectBatch : public DeviceWindow {
   public:
    void SetFieldText(const std::string& field, const std::string& text) override;
    void SetFieldHint(const std::string& field, const std::string& text) override;
    void SetPickers(const CalendarTime& time) override;
    void SelectNetworkMode(int item) override;
    void AddLog(const std::string& text) override;

    std::vector<std::function<void(DeviceWindow&)>> effects;
    // What the effects hold, for the hand-over's bound in bytes.
    std::size_t bytes = 0;
    bool tagReport = false;
  };

  // A datagram taken off the socket, waiting in the process for the chain.
  struct Received {
    std::string text;
    std::chrono::system_clock::time_point arrived;
  };

  // The datagrams taken off the socket and not yet through the chain, shared by the two threads.
  struct Intake {
    std::mutex mutex;
    // The chain thread waits here for datagrams, the receive thread for room.
    std::condition_variable ready;
    std::condition_variable room;
    std::deque<Received> queue;
    std::size_t bytes = 0;
    // A burst is coming in, since `burstSince`: the chain thread keeps off the processor for a
    // while (see Released).
    bool burst = false;
    std::chrono::steady_clock::time_point burstSince{};
    // The chain is the chain thread's: the receive thread has handed datagrams over and the
    // chain thread has not yet worked them all off. While it is not set, the intake is empty
    // and the receive thread runs the chain itself.
    bool handedOver = false;
    // While the chain is the receive thread's, the chain thread posts what falls due up to this
    // time: the receive thread may be waiting for a datagram without a time limit.
    std::chrono::steady_clock::time_point watchUntil = std::chrono::steady_clock::time_point::min();
    // The receive thread has ended: nothing more comes.
    bool closed = false;
  };

  void OpenSocket(const std::string& address, const std::string& port);
  // The receive thread.
  void ReceiveLoop();
  // Waits for datagrams as the receive thread's state allows and takes what is queued: the
  // result of DatagramReceiver::Receive. `pause`: datagrams come close enough together that
  // the thread may let them gather (until the hand-over's next post, for at most `pauseCap`);
  // `waited` tells whether it waited for a datagram instead.
  int Look(net::DatagramReceiver& receiver, bool pause, std::chrono::microseconds pauseCap,
           bool& waited);
  // Whether the chain is the chain thread's (Intake::handedOver).
  bool HandedOver();
  // Asks the chain thread to post what is due, for a receive thread about to wait without a
  // time limit.
  void WatchDue();
  // Whether the receive thread runs the chain: nothing is handed over and the window is not so
  // far behind that delivering to it could wait.
  bool ChainIsOurs();
  // Runs the chain on the usable ones of the `taken` datagrams the receiver holds, on the
  // receive thread, and posts what falls due; with `more` queued behind them, the hand-over's
  // posts stay held for those.
  void RunHere(const net::DatagramReceiver& receiver, int taken, bool more);
  // Lets the hand-over post again when `holding`, and clears it.
  void LetPostsGo(bool& holding);
  // Waits until the intake has room or the receiver is woken; false when woken.
  bool WaitForRoom();
  // Puts the usable ones of the `taken` datagrams the receiver holds into the intake, `burst`
  // telling whether more are coming close behind them.
  void Take(const net::DatagramReceiver& receiver, int taken, bool burst);
  // The burst is over: the chain thread may work.
  void BurstOver();
  // Whether the chain thread may take what the intake holds; with intake.mutex held.
  bool Released(std::chrono::steady_clock::time_point now) const;
  // The chain thread.
  void ChainLoop();
  // Moves what the intake holds into `work`, waiting for it no longer than the next due time;
  // false once the intake is closed and empty.
  bool TakeIntake(std::deque<Received>& work);
  // Runs the chain on each datagram in `work` and hands its effects to the window, in order.
  void Dispatch(std::deque<Received>& work);
  // Runs the chain on one datagram and hands its effects to the window.
  void DispatchOne(const std::string& text, std::chrono::system_clock::time_point arrived);
  // When the thread that runs the chain must look up from its wait: a held-back drain, or a drop
  // line.
  std::optional<std::chrono::steady_clock::time_point> NextDue() const;
  // The last of those.
  std::optional<std::chrono::steady_clock::time_point> LastDue() const;
  // Logs the drops not yet logged, at most once per interval.
  void NoteDrops();

  LinkTuning tuning;
  net::SocketHandle socket = net::kNoSocket;
  net::Destination deviceAddress{};
  DeviceWindow& window;
  WindowThread& windowThread;
  EffectBatch batch;
  std::unique_ptr<HandlerChain> chain;
  HandOver handOver;
  Intake intake;
  // Set by the stop just before it wakes the receive thread.
  std::atomic<bool> woken{false};
  // The receive thread's count of system drops, as of the latest datagram taken.
  std::atomic<std::uint64_t> dropsSeen{0};
  // Either thread notes drops: the one that runs the chain, and the chain thread for what a
  // backlog left due when it gives the chain back.
  mutable std::mutex dropsMutex;
  std::uint64_t dropsLogged = 0;
  std::chrono::steady_clock::time_point lastDropLine{};
  std::thread receiveThread;
  std::thread chainThread;
  bool stopped = false;
};

// The one link while connected, null otherwise. Only the main window sets it.
extern UDPThread* udpthread;

// Sends {"type": type} through `link` and logs the printed request on `log`.
void SendTypeRequest(UDPThread& link, const std::string& type, DeviceWindow& log);
