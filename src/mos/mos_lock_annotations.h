// Lock rules written into the code: which lock guards a member, which
// lock a function needs, takes or gives back. Clang checks them
// (-Wthread-safety, the linux-clang-tsa preset); for every other compiler
// the macros are empty.
//
// MOS_CAPABILITY(name)         a type that is a lock (the fast lock)
// MOS_SCOPED_CAPABILITY        a class that holds a lock for its lifetime
// MOS_GUARDED_BY(lock)         a member read and written only under lock
// MOS_PT_GUARDED_BY(lock)      what a pointer member points at, likewise
// MOS_REQUIRES(lock...)        the caller holds lock
// MOS_EXCLUDES(lock...)        the caller does not hold lock (it is taken)
// MOS_ACQUIRE(lock...)         returns with lock held
// MOS_RELEASE(lock...)         returns with lock released
// MOS_TRY_ACQUIRE(ok, lock...) holds lock when it returns ok
// MOS_NO_THREAD_SAFETY_ANALYSIS  a function whose locking the analysis
//                              cannot follow; say why beside it
#pragma once

#if defined(__clang__)
#define MOS_LOCK_ATTR(x) __attribute__((x))
#else
#define MOS_LOCK_ATTR(x)
#endif

#define MOS_CAPABILITY(name)          MOS_LOCK_ATTR(capability(name))
#define MOS_SCOPED_CAPABILITY         MOS_LOCK_ATTR(scoped_lockable)
#define MOS_GUARDED_BY(lock)          MOS_LOCK_ATTR(guarded_by(lock))
#define MOS_PT_GUARDED_BY(lock)       MOS_LOCK_ATTR(pt_guarded_by(lock))
#define MOS_REQUIRES(...)             MOS_LOCK_ATTR(requires_capability(__VA_ARGS__))
#define MOS_EXCLUDES(...)             MOS_LOCK_ATTR(locks_excluded(__VA_ARGS__))
#define MOS_ACQUIRE(...)              MOS_LOCK_ATTR(acquire_capability(__VA_ARGS__))
#define MOS_RELEASE(...)              MOS_LOCK_ATTR(release_capability(__VA_ARGS__))
#define MOS_TRY_ACQUIRE(...)          MOS_LOCK_ATTR(try_acquire_capability(__VA_ARGS__))
#define MOS_NO_THREAD_SAFETY_ANALYSIS MOS_LOCK_ATTR(no_thread_safety_analysis)
