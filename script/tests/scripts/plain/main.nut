// Neither init nor work.
loaded <- true;
