# The readers of run journals and of the password change record: both read
# files left in the state folder by a crash, whatever state they are in.
tsrn_add_fuzzer(journal_records
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/journal_records.cpp
    LIBS tsrn_journal)
