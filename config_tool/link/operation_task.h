#pragma once

#include <coroutine>
#include <exception>
#include <optional>
#include <utility>

// A step of an operation written as a coroutine: it runs until it waits for the unit, a tick or
// the user, and goes on when that comes, so an exchange reads from top to bottom and the event
// loop never blocks. A task starts when it is awaited (or start() is called on the outermost
// one) and hands its value to the task that awaited it. Destroying a task destroys the steps
// it still holds.
template <typename T> class [[nodiscard]] OperationTask
{
public:
    struct promise_type
    {
        std::optional<T> value;
        std::coroutine_handle<> continuation;

        OperationTask get_return_object()
        {
            return OperationTask(std::coroutine_handle<promise_type>::from_promise(*this));
        }
        std::suspend_always initial_suspend() noexcept { return {}; }
        struct FinalAwaiter
        {
            bool await_ready() noexcept { return false; }
            std::coroutine_handle<> await_suspend(std::coroutine_handle<promise_type> done) noexcept
            {
                // Back to the task that awaited this one; the outermost returns to its resumer.
                const std::coroutine_handle<> next = done.promise().continuation;
                return next ? next : std::noop_coroutine();
            }
            void await_resume() noexcept {}
        };
        FinalAwaiter final_suspend() noexcept { return {}; }
        void return_value(T result) { value = std::move(result); }
        [[noreturn]] void unhandled_exception() { std::terminate(); }
    };

    OperationTask() = default;
    OperationTask(OperationTask &&other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
    OperationTask &operator=(OperationTask &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    OperationTask(const OperationTask &) = delete;
    OperationTask &operator=(const OperationTask &) = delete;
    ~OperationTask() { reset(); }

    // Awaited by another task.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> caller) noexcept
    {
        m_handle.promise().continuation = caller;
        return m_handle;
    }
    T await_resume() { return std::move(*m_handle.promise().value); }

    // The outermost task: runs it up to its first wait.
    void start() { m_handle.resume(); }
    bool isValid() const { return bool(m_handle); }
    bool isDone() const { return m_handle && m_handle.done(); }
    // Once done: its value.
    T take() { return std::move(*m_handle.promise().value); }
    void reset()
    {
        if (m_handle)
            m_handle.destroy();
        m_handle = {};
    }

private:
    explicit OperationTask(std::coroutine_handle<promise_type> handle) : m_handle(handle) {}
    std::coroutine_handle<promise_type> m_handle;
};
