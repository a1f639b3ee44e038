void vesk_testsupport_placeholder() {}
