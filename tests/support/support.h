// Shared test fixtures: fresh databases on each backend, the in-process application server and
// the scripted host services. Each fixture documents itself where it is declared.
#pragma once
