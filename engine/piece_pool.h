// Codes the pieces of archive records on worker threads and gives them back
// in the order they were handed in.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// The most coding threads a run uses. Each thread keeps an encoder of about
// 21.3 MB; a budget of 200 MB of encoder state allows 9, which keeps the
// 32-bit process far from the end of its address space. The one place to
// change the bound.
constexpr unsigned kMaxCodingThreads = 9;

// One per core, at most kMaxCodingThreads.
unsigned coding_threads();

// Every worker owns its Coder (a DataProcessor) for the pool's life, so what a
// coder keeps is freed with the pool, never by a thread's end. Workers start
// when a second piece is waiting. Until then, and with fewer than two threads,
// take() codes on the calling thread, one piece at a time.
template <class Coder>
class PiecePool {
public:
    struct Piece {
        std::vector<uint8_t> input;
        std::vector<uint8_t> output;
        bool failed = false;       // the coder refused the input
        std::exception_ptr error;  // the coder threw
        bool done = false;
    };

    template <class... Args>
    explicit PiecePool(unsigned threads, const Args&... args) : workers_(threads > 1 ? threads : 0)
    {
        for (unsigned i = 0; i < (workers_ ? workers_ : 1); ++i)
            coders_.push_back(std::make_unique<Coder>(args...));
        // Two pieces a worker: one being coded, one waiting for it.
        slots_.resize(workers_ ? 2 * workers_ : 1);
    }
    PiecePool(const PiecePool&) = delete;
    PiecePool& operator=(const PiecePool&) = delete;

    // Pieces waiting are dropped; a piece being coded is finished first.
    ~PiecePool()
    {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wanted_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

    bool empty() const { return put_ == taken_; }
    bool full() const { return put_ - taken_ == slots_.size(); }

    // Copies a piece in; only when the pool is not full.
    void put(const uint8_t* data, int32_t length)
    {
        Piece& piece = slots_[put_ % slots_.size()];
        piece.input.assign(data, data + length);
        piece.failed = piece.done = false;
        piece.error = nullptr;
        if (!started_ && put_ > taken_)
            start();
        {
            std::lock_guard lock(mutex_);
            ++put_;
        }
        wanted_.notify_one();
    }

    // The oldest piece, coded; valid until the next put(). Only when the
    // pool is not empty. Rethrows what its coder threw.
    const Piece& take()
    {
        Piece& piece = slots_[taken_ % slots_.size()];
        if (threads_.empty()) {
            code(*coders_[0], piece);
        } else {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [&] { return piece.done; });
        }
        ++taken_;
        if (piece.error)
            std::rethrow_exception(piece.error);
        return piece;
    }

    // Drops the pieces not taken, once those being coded are done.
    void discard()
    {
        std::unique_lock lock(mutex_);
        coded_ = put_;
        ready_.wait(lock, [&] { return busy_ == 0; });
        taken_ = put_;
    }

private:
    void start()
    {
        started_ = true;
        coded_ = taken_;
        try {
            for (unsigned i = 0; i < workers_; ++i)
                threads_.emplace_back([this, i] { work(*coders_[i]); });
        } catch (const std::system_error&) {
            // Fewer threads, or none: take() then codes on the calling thread.
        }
    }

    static void code(Coder& coder, Piece& piece)
    {
        try {
            coder.process(piece.input.data(), static_cast<int32_t>(piece.input.size()));
            piece.output.assign(coder.output_data(), coder.output_data() + coder.output_size());
            piece.failed = coder.failed();
        } catch (...) {
            piece.error = std::current_exception();
        }
    }

    void work(Coder& coder)
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wanted_.wait(lock, [&] { return quit_ || coded_ < put_; });
            if (quit_)
                return;
            Piece& piece = slots_[coded_++ % slots_.size()];
            ++busy_;
            lock.unlock();
            code(coder, piece);
            lock.lock();
            piece.done = true;
            --busy_;
            ready_.notify_all();
        }
    }

    unsigned workers_;
    bool started_ = false;
    std::vector<std::unique_ptr<Coder>> coders_;
    std::vector<Piece> slots_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wanted_;  // a piece to code, or the end
    std::condition_variable ready_;   // a piece coded
    uint64_t put_ = 0;                // pieces handed in
    uint64_t coded_ = 0;              // pieces a worker has begun (or dropped)
    uint64_t taken_ = 0;              // pieces given back or dropped
    unsigned busy_ = 0;               // workers coding a piece
    bool quit_ = false;
};
