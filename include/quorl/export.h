/* QUORL_API: marks what the quorl library exports.
 *
 * The library is compiled with every symbol hidden; what its public headers
 * declare with QUORL_API is what a shared libquorl exports. For a program
 * that includes the headers the mark means nothing. Read by C and C++. */
#ifndef QUORL_EXPORT_H
#define QUORL_EXPORT_H

#if defined(QUORL_BUILDING_LIBRARY)
#define QUORL_API __attribute__((visibility("default")))
#else
#define QUORL_API
#endif

#endif
