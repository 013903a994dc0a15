// The module's shared library. Loading it runs static initialisation only;
// everything else happens when the host calls tavik::ConfigReader.
