wayline_add_fuzzer(doctor SOURCES DoctorFuzz.cpp LIBS wayline_doctor_core)
